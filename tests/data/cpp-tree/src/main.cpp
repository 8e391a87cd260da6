#include <cstdio>

#include "geometry/circle.h"

int main() {
    const geometry::Circle circle(2.0);
    std::printf("%f\n", circle.Area());
    return 0;
}
