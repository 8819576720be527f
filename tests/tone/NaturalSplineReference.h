// An independent double-precision natural cubic spline for checking the program's single-
// precision one. It solves for the slopes at the knots (not the second derivatives) and
// evaluates the Hermite form, so it shares no formulation with the code under test.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace orvane::testing {

class NaturalSplineReference {
public:
    // Knots 0-based, xs strictly increasing, at least two.
    NaturalSplineReference(std::vector<double> xs, std::vector<double> ys)
        : xs_(std::move(xs)), ys_(std::move(ys)), slopes_(xs_.size()) {
        const size_t n = xs_.size();
        std::vector<double> lower(n), diag(n), upper(n), rhs(n);
        auto width = [&](size_t i) { return xs_[i + 1] - xs_[i]; };
        auto secant = [&](size_t i) { return (ys_[i + 1] - ys_[i]) / width(i); };
        // Zero second derivative at both ends; continuous second derivative inside.
        diag[0] = 2.0;
        upper[0] = 1.0;
        rhs[0] = 3.0 * secant(0);
        for (size_t i = 1; i + 1 < n; ++i) {
            lower[i] = 1.0 / width(i - 1);
            diag[i] = 2.0 * (1.0 / width(i - 1) + 1.0 / width(i));
            upper[i] = 1.0 / width(i);
            rhs[i] = 3.0 * (secant(i - 1) / width(i - 1) + secant(i) / width(i));
        }
        lower[n - 1] = 1.0;
        diag[n - 1] = 2.0;
        rhs[n - 1] = 3.0 * secant(n - 2);
        // Thomas algorithm.
        for (size_t i = 1; i < n; ++i) {
            const double m = lower[i] / diag[i - 1];
            diag[i] -= m * upper[i - 1];
            rhs[i] -= m * rhs[i - 1];
        }
        slopes_[n - 1] = rhs[n - 1] / diag[n - 1];
        for (size_t i = n - 1; i-- > 0;) {
            slopes_[i] = (rhs[i] - upper[i] * slopes_[i + 1]) / diag[i];
        }
    }

    // The spline at v, unlimited; outside the knots the end pieces are extended.
    double operator()(double v) const {
        size_t j = 0;
        while (j + 2 < xs_.size() && v > xs_[j + 1]) {
            ++j;
        }
        const double h = xs_[j + 1] - xs_[j];
        const double t = (v - xs_[j]) / h;
        const double t2 = t * t;
        const double t3 = t2 * t;
        return ys_[j] * (2 * t3 - 3 * t2 + 1) + h * slopes_[j] * (t3 - 2 * t2 + t) +
               ys_[j + 1] * (-2 * t3 + 3 * t2) + h * slopes_[j + 1] * (t3 - t2);
    }

private:
    std::vector<double> xs_;
    std::vector<double> ys_;
    std::vector<double> slopes_;
};

} // namespace orvane::testing
