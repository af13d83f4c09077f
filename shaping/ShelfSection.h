#pragma once

namespace calderine {

// One second-order shelving section (direct form I). Plain data: coefficients first, then the
// input and output histories. Frequencies are normalised (cycles per sample), gains linear.
struct ShelfSection {
    // Highest corner a shelf is designed at, in cycles per sample (0.45 of the sample rate, 90 %
    // of Nyquist). At 0.5 the pole pair reaches the unit circle and above it the design is
    // unstable, which the tilt's upper shelf (ten times its 650 Hz corner) would hit at rates of
    // about 13 kHz and below. A shelf's gain at DC and at Nyquist does not depend on its corner,
    // so lowering the corner keeps the tilt's end-point gains; 0.45 keeps the poles well inside
    // the unit circle and leaves every design at 14.5 kHz and above untouched.
    static constexpr double kMaxCornerFrequency = 0.45;

    double b0 = 0.0, b1 = 0.0, b2 = 0.0;
    double a0 = 0.0;           // 1.0 after a design; the difference equation does not use it
    double c1 = 0.0, c2 = 0.0; // feedback terms as added: -a1/a0, -a2/a0
    double x0 = 0.0, x1 = 0.0, x2 = 0.0;
    double y0 = 0.0, y1 = 0.0, y2 = 0.0;

    // Both designs reset all twelve fields, histories included.
    void designLowShelf(double frequency, double gain) noexcept;
    void designHighShelf(double frequency, double gain) noexcept;

    // Copies b0, b1, b2, a0, c1, c2 only, so a running section keeps its histories.
    void assignCoefficients(const ShelfSection& source) noexcept {
        b0 = source.b0;
        b1 = source.b1;
        b2 = source.b2;
        a0 = source.a0;
        c1 = source.c1;
        c2 = source.c2;
    }

    void clearHistory() noexcept { x0 = x1 = x2 = y0 = y1 = y2 = 0.0; }

    // |H(e^jw)| of the current coefficients at a normalised frequency (cycles per sample, 0 to
    // 0.5). For design-time inspection only: it evaluates complex exponentials.
    double magnitudeAt(double frequency) const noexcept;

    double processSample(double input) noexcept {
        return step(input, b0, b1, b2, c1, c2, x0, x1, x2, y0, y1, y2);
    }

    // One step of the recurrence for any value type with these operators: double here, a vector
    // of several filters' sections side by side in the lane loops (TiltLanes.h). One definition, so
    // all do the same operations in the same order and give the same bits.
    template <class T>
    static T step(T input, T b0, T b1, T b2, T c1, T c2, T& x0, T& x1, T& x2, T& y0, T& y1,
                  T& y2) noexcept {
        x2 = x1;
        x1 = x0;
        y2 = y1;
        y1 = y0;
        x0 = input;
        y0 = response(b0, b1, b2, c1, c2, x0, x1, x2, y1, y2);
        return y0;
    }

    // The difference equation's sum, in the one order every build adds it in.
    template <class T>
    static T response(T b0, T b1, T b2, T c1, T c2, T x0, T x1, T x2, T y1, T y2) noexcept {
        return b1 * x1 + b0 * x0 + b2 * x2 + c1 * y1 + c2 * y2;
    }
};

} // namespace calderine
