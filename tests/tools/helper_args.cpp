// Prints its arguments so a test can see exactly what reached a child: the count, then each
// argument as "<length>:<bytes>" on a line of its own.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    std::printf("%d\n", argc - 1);
    for (int i = 1; i < argc; ++i) {
        std::printf("%zu:", std::strlen(argv[i]));
        std::fwrite(argv[i], 1, std::strlen(argv[i]), stdout);
        std::printf("\n");
    }
    return 0;
}
