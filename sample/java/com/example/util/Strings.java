package com.example.util;

/** Small text helpers. */
public final class Strings {
    public static final String EMPTY = "";
    private static final char SEPARATOR = ',';

    private Strings() {
    }

    public static String join(String... parts) {
        StringBuilder text = new StringBuilder();
        for (String part : parts) {
            if (text.length() > 0) {
                text.append(SEPARATOR);
            }
            text.append(part);
        }
        return text.toString();
    }

    public static boolean isBlank(String text) {
        return text == null || text.trim().isEmpty();
    }

    static String repeat(char c, int count) {
        return String.valueOf(c).repeat(count);
    }
}
