#include <cstdio>

int main()
{
    std::puts("Pyrandel: the desktop program is not built yet; `make test` runs the core.");
    return 0;
}
