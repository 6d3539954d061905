#include <cstdio>
int main() { std::puts("tbwallet"); return 0; }
