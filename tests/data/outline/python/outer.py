import os

class Outer:
    class Inner:
        def method(self):
            pass
    def run(self):
        return 1

def helper():
    pass

LIMIT = 3
