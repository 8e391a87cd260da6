package com.example.shapes;

/** A circle around the origin. */
public class Circle extends AbstractShape {
    private final double radius;

    public Circle(double radius) {
        super("circle");
        this.radius = radius;
    }

    public double area() {
        return Math.PI * radius * radius;
    }

    public double perimeter() {
        return 2 * Math.PI * radius;
    }

    protected String describe() {
        return "circle of radius " + radius;
    }

    /** Builds circles step by step. */
    public static class Builder {
        private double radius = 1;
        protected String note;

        public Builder radius(double value) {
            radius = value;
            return this;
        }

        public Circle build() {
            return new Circle(radius);
        }
    }
}
