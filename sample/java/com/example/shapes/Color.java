package com.example.shapes;

/** The colours a shape can be drawn in. */
public enum Color {
    BLACK, RED, GREEN, BLUE;

    public Color next() {
        return values()[(ordinal() + 1) % values().length];
    }
}
