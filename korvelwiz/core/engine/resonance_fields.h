#pragma once
// Resonance fields of the three nitrogen lines (m = +1, 0, -1) for one
// direction of the magnetic field in the frame of averaged tensors.
namespace korvel {

// Free-electron g value of these fields and of the polarity correction.
inline constexpr double kGElectron = 2.002323;

// A symmetric 3 x 3 tensor.
struct Sym3 {
  double xx = 0, yy = 0, zz = 0, xy = 0, xz = 0, yz = 0;
};

inline Sym3 Diagonal(double x, double y, double z) { return Sym3{x, y, z, 0, 0, 0}; }

struct FieldTriple {
  double plus = 0;   // B(+1) [G]
  double zero = 0;   // B(0)
  double minus = 0;  // B(-1)
};

// Largest of the three absolute differences between corresponding fields.
double FieldSpread(const FieldTriple& a, const FieldTriple& b);

// Unit direction n, G the square of the g tensor, T = g^-1 A g^-1 [G], B0 of
// the spectrum [G]: g(n) = sqrt(n.G.n), C = 2.002323 B0 / g(n),
// t = n.T.n, p^2 = |T n|^2 - t^2, f = 2.002323 g(n) sqrt(t^2 + p^2/2);
// B(+1) = C - f, B(0) = C, B(-1) = C + f.
FieldTriple ResonanceFields(double nx, double ny, double nz, const Sym3& G2, const Sym3& T, double B0);

// oms/obs: averaged principal values (gx, gy, gz) and (Ax, Ay, Az [G]) at
// polar angle theta and azimuth phi [rad], n = (sin th sin ph, sin th cos ph,
// cos th): with g(n), C, t and p^2 as above (T = diag(A_i / g_i^2)),
// h = 2.002323 g(n) t and D = sqrt(C^2 - (2.002323 g(n))^2 p^2),
// B(+1) = D - h, B(0) = C, B(-1) = D + h.
FieldTriple SecondOrderFields(double theta, double phi, double gx, double gy, double gz, double Ax,
                              double Ay, double Az, double B0);

}  // namespace korvel
