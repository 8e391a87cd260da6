#pragma once

namespace geometry {

class Shape {
public:
    virtual ~Shape() = default;
    virtual double Area() const = 0;
};

}  // namespace geometry
