class Widget {
public:
    void draw();
    enum Mode { Plain, Fancy };
};
