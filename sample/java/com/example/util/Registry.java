package com.example.util;

import java.util.ArrayList;
import java.util.List;

/** Keeps items in order and tells listeners about new ones. */
public class Registry<T> {
    /** Told about every item that is added. */
    public interface Listener<T> {
        void added(T item, int index);
    }

    private final List<Entry<T>> entries = new ArrayList<>();
    protected final List<Listener<T>> listeners = new ArrayList<>();
    int modifications;

    public void add(T item) {
        entries.add(new Entry<>(item, entries.size()));
        modifications++;
        notifyAdded(item);
    }

    public int size() {
        return entries.size();
    }

    public void addListener(Listener<T> listener) {
        listeners.add(listener);
    }

    protected void notifyAdded(T item) {
        for (Listener<T> listener : listeners) {
            listener.added(item, entries.size() - 1);
        }
    }

    private static final class Entry<T> {
        private final T item;
        final int index;

        Entry(T item, int index) {
            this.item = item;
            this.index = index;
        }

        T item() {
            return item;
        }
    }
}
