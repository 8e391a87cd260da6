#include "widget.h"

namespace geo {
class Shape {
public:
    int id;
protected:
    void touch();
private:
    int secret;
};
struct Point { int x; int y; };
}

void geo::Shape::touch() {}

// Widget is declared in widget.h: its scope names nothing in this file.
void Widget::draw() {}

double free_area(const geo::Shape &s) { return s.id; }
