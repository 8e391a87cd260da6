package com.example;

public interface Shape {
    double area();
}
