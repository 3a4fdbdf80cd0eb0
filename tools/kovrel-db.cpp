// kovrel-db: the table engine's command-line utility.
#include <cstdio>
int main() {
    std::fprintf(stderr, "usage: kovrel-db create|sql|seed|check DIR ...\n");
    return 2;
}
