#include <cstdio>
int main() { std::puts("tolvasm: not yet"); return 1; }
