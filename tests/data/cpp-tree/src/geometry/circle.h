#pragma once

#include "geometry/shape.h"

namespace geometry {

class Circle : public Shape {
public:
    explicit Circle(double radius);
    double Area() const override;

private:
    double m_radius;
};

}  // namespace geometry
