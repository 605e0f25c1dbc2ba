#include <cstdio>

int main(int, char**)
{
    std::fprintf(stderr, "pq-render: the effect runtime is not built yet\n");
    return 2;
}
