package com.example.app;

import com.example.shapes.Shape;
import com.example.util.Registry;
import com.example.util.Strings;

/** Prints the total area of the registered shapes. */
class ShapeReport implements Registry.Listener<Shape> {
    private final Registry<Shape> shapes;
    private double total;
    protected String title = "Shapes";

    ShapeReport(Registry<Shape> shapes) {
        this.shapes = shapes;
        shapes.addListener(this);
    }

    @Override
    public void added(Shape item, int index) {
        total += item.area();
    }

    void print() {
        System.out.println(Strings.join(title, String.valueOf(shapes.size()), String.valueOf(total)));
    }
}
