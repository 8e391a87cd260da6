package com.example;

public class App {
    private final Shape shape;

    public App(Shape shape) {
        this.shape = shape;
    }

    public static void main(String[] args) {
        System.out.println(new App(new Circle(2.0)).describe());
    }

    String describe() {
        return "area " + shape.area();
    }
}
