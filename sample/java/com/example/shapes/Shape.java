package com.example.shapes;

/** Anything with an area and a name. */
public interface Shape {
    double EPSILON = 1e-9;

    double area();

    double perimeter();

    String name();
}
