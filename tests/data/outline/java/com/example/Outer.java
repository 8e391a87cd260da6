package com.example;

public class Outer {
    private int count;
    public static class Inner {
        protected void work() {}
    }
    interface Listener {
        void heard();
    }
    public void run() {}
}
