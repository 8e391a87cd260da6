#include "geometry/circle.h"

namespace geometry {

Circle::Circle(double radius) : m_radius(radius) {}

double Circle::Area() const { return 3.14159265 * m_radius * m_radius; }

}  // namespace geometry
