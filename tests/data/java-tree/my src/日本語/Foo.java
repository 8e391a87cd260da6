package jp.example;

// 日本語のコメント
public class Foo {
    private int count;

    public void run() {
        count++;
    }
}
