package com.example.shapes;

/** Common state of the shapes: a name, a colour and a count of instances. */
public abstract class AbstractShape implements Shape {
    public static final String UNNAMED = "shape";
    protected final String label;
    private Color color = Color.BLACK;
    int revision;
    private static int created;

    protected AbstractShape(String label) {
        this.label = label == null ? UNNAMED : label;
        created++;
    }

    public String name() {
        return label;
    }

    public Color getColor() {
        return color;
    }

    public void setColor(Color color) {
        this.color = color;
        touch();
    }

    protected abstract String describe();

    void touch() {
        revision++;
    }

    private static int nextId() {
        return created + 1;
    }

    static int createdCount() {
        return created;
    }
}
