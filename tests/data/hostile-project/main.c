int plain_function(void) { return 0; }
