int nested_function(void) { return 2; }
