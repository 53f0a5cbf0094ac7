// An empty program: the test programs' precompiled GoogleTest header is
// made with its compile options.
int main() { return 0; }
