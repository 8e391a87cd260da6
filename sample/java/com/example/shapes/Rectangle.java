package com.example.shapes;

/** An axis-parallel rectangle. */
public class Rectangle extends AbstractShape {
    protected double width;
    protected double height;
    private Corner anchor = new Corner(0, 0);

    public Rectangle(double width, double height) {
        super("rectangle");
        this.width = width;
        this.height = height;
    }

    public double area() {
        return width * height;
    }

    public double perimeter() {
        return 2 * (width + height);
    }

    protected String describe() {
        return width + " x " + height;
    }

    boolean isSquare() {
        return Math.abs(width - height) < EPSILON;
    }

    /** One corner of the rectangle. */
    private class Corner {
        final double x;
        final double y;

        Corner(double x, double y) {
            this.x = x;
            this.y = y;
        }

        private double distanceToOrigin() {
            return Math.hypot(x, y);
        }
    }
}
