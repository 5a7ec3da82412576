#pragma once
#include <cmath>

// A point or direction in three doubles with its Euclidean length kept up to date
// after every change made through the operations below.
struct ZBVector3D {
  ZBVector3D() = default;
  ZBVector3D(double ax, double ay, double az) { Set(ax, ay, az); }

  void Set(double ax, double ay, double az) {
    x = ax;
    y = ay;
    z = az;
    length = std::sqrt(x * x + y * y + z * z);
  }
  void Zero() { Set(0.0, 0.0, 0.0); }

  // The unit vector in the same direction; a zero vector stays zero (never NaN).
  ZBVector3D Normalised() const {
    if (length <= 0.0) return ZBVector3D();
    return ZBVector3D(x / length, y / length, z / length);
  }

  ZBVector3D operator+(const ZBVector3D& o) const { return ZBVector3D(x + o.x, y + o.y, z + o.z); }
  ZBVector3D operator-(const ZBVector3D& o) const { return ZBVector3D(x - o.x, y - o.y, z - o.z); }
  ZBVector3D operator*(double k) const { return ZBVector3D(x * k, y * k, z * k); }
  ZBVector3D& operator+=(const ZBVector3D& o) {
    Set(x + o.x, y + o.y, z + o.z);
    return *this;
  }

  double x = 0.0, y = 0.0, z = 0.0;
  double length = 0.0;
};
