// The volume model's equations: the constants of each species and the parts
// of the computation that the general path (volume.cpp) and the memoized path
// (volume_parts.cpp) share.
#pragma once

#include <cstddef>
#include <initializer_list>

#include "guarded_power.h"
#include "numeric.h"
#include "species.h"

namespace vzorce::volume_equations {

inline double P(double base, double exponent) { return GuardedPower(base, exponent); }

enum Species : SpeciesIndex { SM, BO, MD, JD, DB, BK, JS, BR, OL, TP, HB, AK, DG };

// Family A, power equations: V2 = a · D1^b · H^c, V1 = V2 − k · D1^m · H^n, D1 = D + 1.
struct PowerEquations {
  Extended a, b, c, k, m, n;
};
constexpr PowerEquations kSpruce = {4.01384e-5L, 1.821816L, 1.132062L, 0.00928540767L, -1.02037409L, 0.896100664L};
// Pine's b is b − 0.0124923 · log10(D1).
constexpr PowerEquations kPine = {3.034274e-5L, 2.0752378L, 0.9610277L, 0.071975247126L, -2.12448503L, 1.37259082L};
constexpr Extended kPineExponentSlope = 0.0124923L;
constexpr PowerEquations kFirAndDouglasFir = {4.48581e-5L, 1.8401L, 1.10613L, 0.0299553985L, -1.30154794L, 0.739959L};

// Larch: V2 = (a · D^b + c) · H^e, V1 = V2 − k · H^n · D1^m, D1 = D + 1.
struct LarchEquations {
  Extended a, b, c, e, k, n, m;
};
constexpr LarchEquations kLarch = {5.219852e-5L, 1.734207L, 0.000297247L, 1.159614L, 0.01667506L, 1.083725L, -1.440381L};

// Family B, form-factor equations: V = g · f with the cylinder volume
// g = 3.1415926 · D² · H / 40000 and f a sum of coefficients times these terms.
enum Term { kOne, kPerD, kPerD2, kPerD3, kD, kD2, kD3, kH, kDH, kD2H, kD3H,
            kPerH, kPerH2, kHPerD, kH2PerD, kHPerD2, kH2PerD2, kHPerD3, kH2PerD3, kTermCount };
struct FormFactorTerm {
  Term term;
  Extended coefficient;
};
using FormFactor = std::initializer_list<FormFactorTerm>;

constexpr FormFactor kOakReference = {
    {kOne, 0.462072828L}, {kPerD, 0.431461468L}, {kPerD2, 0.74623908L}, {kPerD3, -0.906163094L},
    {kH, 0.000995857017L}, {kDH, -6.72924823e-6L}, {kD2H, -9.81844892e-7L}, {kD3H, 7.7539933e-9L}};
// Oak's primary form factor is summed in two parts, the first held as a double.
constexpr FormFactor kOakPrimaryFirstPart = {
    {kOne, 0.446734203L}, {kPerH, 5.98292446L}, {kPerH2, -2.08602528L},
    {kPerD, -14.9126481L}, {kHPerD, 0.0869829035L}, {kH2PerD, 0.00105976318L}};
constexpr FormFactor kOakPrimarySecondPart = {
    {kPerD2, -26.8673666L}, {kPerD3, 223.051911L}, {kHPerD2, 16.7799101L},
    {kH2PerD2, -0.221473958L}, {kHPerD3, -53.892038L}, {kH2PerD3, -1.01188892L}};
constexpr FormFactor kBeechReference = {
    {kOne, 0.676631311L}, {kD, -0.0142524815L}, {kD2, 0.000291806808L}, {kD3, -2.11296852e-6L},
    {kH, -0.00312671449L}, {kDH, 0.000266625592L}, {kD2H, -5.91398197e-6L}, {kD3H, 4.18813634e-8L}};
constexpr FormFactor kBeechPrimary = {
    {kOne, 0.564707688L}, {kPerD, -2.32565273L}, {kPerD2, 39.259493L}, {kPerD3, -233.762065L},
    {kH, -0.00141540405L}, {kDH, -1.82856747e-6L}, {kD2H, 6.20653033e-7L}, {kD3H, -4.76942633e-9L}};

// Family C, ash: V2 = a · Dp² · H + b · Dp² · H² − c · Dp³ · H with Dp = D + 0.8;
// V1 = e · Dm² · Hm − f − g · Dm² · Hm² − i · Dm³ · Hm with Dm = D − 1, Hm = H − 2.
struct AshEquations {
  Extended a, b, c, e, f, g, i;
};
constexpr AshEquations kAsh = {3.09165768e-5L, 2.3670006e-7L, 1.70369517e-7L, 4.54715242e-5L,
                               0.0002L,        3.93837738e-8L, 7.78230466e-8L};

// Family D, exponential equations: V = (H − h)^c · (A · exp(B · (Dx + d)^e) − z).
struct ExponentialEquation {
  Extended h, c, A, B, d, e, z;
};
constexpr ExponentialEquation kBirchReference = {0, 1.315372L, 64.34456L, -20.41107L, 8, -0.2318491L, 0.00023L};
constexpr ExponentialEquation kBirchPrimary = {4.5L, 1.08471L, 31152.38L, -23.18602L, 5.5L, -0.1425706L, 0.00115L};
constexpr ExponentialEquation kHornbeamAndAcaciaReference = {
    0, 1.229L, 0.691360261L, -39.274379004076737945L, 12, -0.62254676L, 0.0002L};
constexpr ExponentialEquation kHornbeamAndAcaciaPrimary = {
    3, 1, 1948936330.0L, -34.444916539252052035L, 6, -0.09480205L, 0.0025L};

// Family E, variable-exponent equations: V2 = a · H^(h0 + h1·ln H) · D1^(b0 − b1·ln D1);
// V1 = k · (V2 − t)^m where V2 exceeds t, else 0.
struct VariableExponentEquations {
  Extended a, h0, h1, b0, b1, t, k, m;
};
constexpr VariableExponentEquations kAlder = {
    2.9878649e-5L, 0.771934004L, 0.063258505L, 2.25569529L, 0.064301769L, 0.011L, 1.00849912L, 0.9928L};
constexpr VariableExponentEquations kPoplar = {
    2.3284e-5L, 1.1769L, 0.0346L, 1.8703L, 0.0068L, 0.01L, 1.066333L, 1.027266L};

// The height polynomial c5·Hc⁵ + … + c0; above the cap height (0: none) it goes
// on as a straight line of the given slope.
struct HeightPolynomial {
  Extended c5, c4, c3, c2, c1, c0;
  double capHeight;
  Extended slope;
};
constexpr HeightPolynomial kHeightPolynomials[kModelledSpeciesCount] = {
    {-3.337858e-6L, 0.0002611765L, -0.007342272L, 0.4725315L, 11.43678L, -9.9649L, 45, 38},      // SM
    {-6.23041e-6L, 0.0006255685L, -0.02900866L, 0.9274968L, 5.29123L, -3.323526L, 40, 23},       // BO
    {-8.223272e-6L, 0.000770277L, -0.03002448L, 0.8720092L, 7.304262L, -5.010821L, 0, 0},        // MD
    {-7.245857e-6L, 0.001006349L, -0.05159644L, 1.436948L, 6.483743L, -4.664736L, 0, 0},         // JD
    {4.280925e-6L, -0.0007935021L, 0.04154725L, -0.5505593L, 14.23112L, -13.42907L, 40, 23},     // DB
    {-1.764446e-5L, 0.001914963L, -0.07104336L, 1.314453L, 3.622401L, 0.6558711L, 40, 32},       // BK
    {-9.034502e-6L, 0.0008566892L, -0.03115062L, 0.6900244L, 4.16648L, -4.790424L, 0, 0},        // JS
    {-7.095541e-7L, 0.0002476178L, -0.01391729L, 0.5784896L, 3.660323L, -1.603128L, 0, 0},       // BR
    {3.148896e-5L, -0.002171724L, 0.03740009L, 0.3607632L, 1.149221L, 0.1822508L, 0, 0},         // OL
    {-7.142145e-6L, 0.0003077536L, 0.004553574L, 0.2697607L, 1.128143L, 0.7945997L, 0, 0},       // TP
    {-1.669336e-5L, 0.001945142L, -0.06856329L, 1.239956L, 1.17912L, -1.810632L, 0, 0},          // HB
    {-9.559409e-6L, 0.0005978408L, -0.009466462L, 0.3806145L, 3.173368L, 4.506102L, 0, 0},       // AK
    {-6.289606e-7L, -5.065974e-5L, 0.004575053L, 0.1702549L, 13.8955L, 0.4598147L, 0, 0},        // DG
};

struct Outputs {
  double& v1;
  double& v2;
};

// Pine's exponent b depends on D1; the others' is their constant.
double PowerDiameterExponent(SpeciesIndex species, const PowerEquations& eq, double d1);
// Oak and beech; D2, D3 and H2 are the powers D², D³ and H². Writes V2, then V1.
void FormFactorVolumes(SpeciesIndex species, double d, double h, Extended D2, Extended D3, Extended H2, Outputs out);
// V4.
double HeightPolynomialAt(SpeciesIndex species, double height);

// V2, V1 and V4 through the per-thread memos; false, with nothing written,
// where the general path must run instead.
bool MemoizedVolumes(SpeciesIndex species, double d, double h, Outputs out, double& v4);
std::size_t ClearMemos();

}  // namespace vzorce::volume_equations
