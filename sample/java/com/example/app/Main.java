package com.example.app;

import com.example.shapes.Circle;
import com.example.shapes.Rectangle;
import com.example.shapes.Shape;
import com.example.util.Registry;

/** Builds a few shapes and prints a report of them. */
public class Main {
    private static final int DEFAULT_COUNT = 3;
    static boolean verbose;

    public static void main(String[] args) {
        verbose = args.length > 0 && args[0].equals("-v");
        Registry<Shape> shapes = new Registry<>();
        shapes.addListener((shape, index) -> log(index + ": " + shape.name()));
        for (int i = 1; i <= DEFAULT_COUNT; i++) {
            shapes.add(new Circle.Builder().radius(i).build());
            shapes.add(new Rectangle(i, i + 1));
        }
        new ShapeReport(shapes).print();
    }

    private static void log(String text) {
        if (verbose) {
            System.err.println(text);
        }
    }
}
