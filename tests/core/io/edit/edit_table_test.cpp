// Field editing, one field at a time. Expected fields are worked out by hand from the editing rules;
// the rows marked gfortran were checked against the Fortran runtime as well.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "core/io/edit/exponent.h"
#include "core/io/edit/fixed.h"
#include "core/io/edit/integer.h"
#include "core/io/edit/list_real.h"

namespace seep {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Edits into a buffer with guard bytes behind the scratch room, so that writing past it shows.
template <class Edit>
std::string Field(int w, Edit edit) {
  const std::size_t end = static_cast<std::size_t>(w + kEditSlack);
  std::string buf(end + 8, '#');
  edit(buf.data());
  EXPECT_EQ(buf.substr(end), "########") << "wrote past the scratch room";
  return buf.substr(0, static_cast<std::size_t>(w));
}

std::string E(double x, int w, int d, int k) {
  return Field(w, [&](char* p) { EditExponent(p, x, w, d, k); });
}
std::string F(double x, int w, int d, int k = 0) {
  return Field(w, [&](char* p) { EditFixed(p, x, w, d, k); });
}
std::string I(std::int32_t v, int w) {
  return Field(w, [&](char* p) { EditInteger(p, v, w); });
}
std::string List(double x, bool single) {
  const int w = single ? kListSingleWidth : kListDoubleWidth;
  return Field(w, [&](char* p) { EXPECT_EQ(EditListReal(p, x, single), w); });
}

// One field of a real: the value, Ew.d or Fw.d with scale factor k, the characters expected.
struct RealRow {
  double x;
  int w, d, k;
  const char* field;
};

TEST(EditExponent, Table) {
  const RealRow rows[] = {
      // The three reference values in each descriptor the writers use.
      {1.23456789, 12, 4, 1, "  1.2346E+00"},
      {-1.23456789, 12, 4, 1, " -1.2346E+00"},
      {0.0, 12, 4, 1, "  0.0000E+00"},
      {1.23456789, 12, 5, 1, " 1.23457E+00"},
      {-1.23456789, 12, 5, 1, "-1.23457E+00"},
      {0.0, 12, 5, 1, " 0.00000E+00"},
      {1.23456789, 13, 6, 1, " 1.234568E+00"},
      {-1.23456789, 13, 6, 1, "-1.234568E+00"},
      {0.0, 13, 6, 1, " 0.000000E+00"},
      {1.23456789, 12, 6, 0, "0.123457E+01"},
      {-1.23456789, 12, 6, 0, "-.123457E+01"},  // no room for the optional zero
      {0.0, 12, 6, 0, "0.000000E+00"},
      {1.23456789, 14, 5, 0, "   0.12346E+01"},
      {-1.23456789, 14, 5, 0, "  -0.12346E+01"},
      {0.0, 14, 5, 0, "   0.00000E+00"},
      {1.23456789, 15, 7, 0, "  0.1234568E+01"},
      {-1.23456789, 15, 7, 0, " -0.1234568E+01"},
      {0.0, 15, 7, 0, "  0.0000000E+00"},
      // Three-digit exponents drop the letter; the k = 0 form shifts the exponent by one.
      {1.0e-120, 12, 4, 1, "  1.0000-120"},
      {1.0e-120, 12, 6, 0, "0.100000-119"},  // gfortran
      {1.0e99, 12, 4, 1, "  1.0000E+99"},
      {1.0e99, 12, 6, 0, "0.100000+100"},
      {-1.0e-100, 12, 4, 1, " -1.0000-100"},
      {1.0e-99, 12, 6, 0, "0.100000E-98"},
      {DBL_MAX, 12, 6, 0, "0.179769+309"},                  // gfortran
      {4.9406564584124654e-324, 12, 4, 1, "  4.9407-324"},  // gfortran
      // Rounding that carries into the exponent.
      {9.99996, 12, 4, 1, "  1.0000E+01"},
      {0.9999996, 12, 6, 0, "0.100000E+01"},
      {-9.9999996e-11, 13, 6, 1, "-1.000000E-10"},
      // Exact ties round to even (gfortran does too); 2.675 is stored a little below its halfway point.
      {0.125, 12, 2, 0, "    0.12E+00"},
      {0.375, 12, 2, 0, "    0.38E+00"},
      {2.675, 10, 2, 1, "  2.67E+00"},
      {2.6750000000000003, 10, 2, 1, "  2.68E+00"},
      // Negative zero keeps its sign.
      {-0.0, 12, 4, 1, " -0.0000E+00"},
      {-0.0, 12, 6, 0, "-.000000E+00"},  // gfortran
      // Exactly full, and one column short.
      {-1.0, 10, 4, 0, "-.1000E+01"},
      {-1.0, 9, 4, 0, "*********"},
      {1.0, 10, 4, 1, "1.0000E+00"},
      {1.0, 9, 4, 1, "*********"},
      // A single-precision value is edited from its exact value: 0.1f is 0.100000001490116...
      {static_cast<double>(0.1f), 13, 6, 1, " 1.000000E-01"},
      {static_cast<double>(0.1f), 15, 7, 0, "  0.1000000E+00"},
      {static_cast<double>(0.1f), 17, 9, 0, "  0.100000001E+00"},
  };
  for (const RealRow& r : rows) {
    EXPECT_EQ(E(r.x, r.w, r.d, r.k), r.field) << r.x << " E" << r.w << "." << r.d << " scale " << r.k;
  }
}

struct NonFiniteRow {
  double x;
  int w;
  const char* field;
};

TEST(EditNonFinite, LongFormShortFormAsterisks) {
  const NonFiniteRow rows[] = {
      {kInf, 12, "    Infinity"},
      {-kInf, 12, "   -Infinity"},
      {kNaN, 12, "         NaN"},  // gfortran
      {-kNaN, 12, "         NaN"},
      {kInf, 8, "Infinity"},
      {-kInf, 9, "-Infinity"},
      {kInf, 7, "    Inf"},
      {-kInf, 8, "    -Inf"},
      {kInf, 3, "Inf"},
      {-kInf, 4, "-Inf"},
      {-kInf, 3, "***"},
      {kNaN, 3, "NaN"},
      {kNaN, 2, "**"},
      {kInf, 2, "**"},
  };
  for (const NonFiniteRow& r : rows) {
    EXPECT_EQ(E(r.x, r.w, 1, 0), r.field) << r.x << " in " << r.w;
    EXPECT_EQ(F(r.x, r.w, 0), r.field) << r.x << " in " << r.w;
  }
}

TEST(EditFixed, Table) {
  const RealRow rows[] = {
      {1234.0, 12, 0, 0, "       1234."},
      {-1234.4, 12, 0, 0, "      -1234."},
      {0.4, 12, 0, 0, "          0."},   // the zero is the only digit, so it is never left out
      {-0.4, 12, 0, 0, "         -0."},  // gfortran: the sign of the stored value
      {99999999999.0, 12, 0, 0, "99999999999."},
      {99999999999.6, 12, 0, 0, "************"},  // rounds to 12 digits
      {-9999999999.0, 12, 0, 0, "-9999999999."},
      {-99999999999.0, 12, 0, 0, "************"},
      {1.0e300, 12, 0, 0, "************"},
      {0.5, 5, 2, 0, " 0.50"},  // gfortran
      {-0.5, 4, 2, 0, "-.50"},  // gfortran: no room for the zero
      {-0.5, 3, 2, 0, "***"},
      {3.14159, 8, 3, 0, "   3.142"},
      {-0.001, 8, 3, 0, "  -0.001"},
      {0.375, 8, 2, 1, "    3.75"},  // gfortran: 1P multiplies F values by ten
      {0.05, 6, 1, 1, "   0.5"},
  };
  for (const RealRow& r : rows) {
    EXPECT_EQ(F(r.x, r.w, r.d, r.k), r.field) << r.x << " F" << r.w << "." << r.d << " scale " << r.k;
  }
}

TEST(EditInteger, Table) {
  const struct {
    std::int32_t v;
    int w;
    const char* field;
  } rows[] = {
      {44444, 5, "44444"},
      {100000, 5, "*****"},
      {-9999, 5, "-9999"},
      {-10000, 5, "*****"},
      {0, 5, "    0"},
      {-1, 5, "   -1"},
      {12345678, 8, "12345678"},
      {-1234567, 8, "-1234567"},
      {100000000, 8, "********"},
      {INT32_MIN, 12, " -2147483648"},
      {INT32_MAX, 10, "2147483647"},
      {10, 1, "*"},
  };
  for (const auto& r : rows) EXPECT_EQ(I(r.v, r.w), r.field) << r.v << " I" << r.w;
}

struct ListRow {
  double x;
  bool single;
  const char* field;
};

TEST(EditListReal, Table) {
  const ListRow rows[] = {
      {1.0f, true, "   1.000000    "},
      {0.5f, true, "  0.5000000    "},
      {-2.5f, true, "  -2.500000    "},
      {3600.0f, true, "   3600.000    "},
      {0.05f, true, "  5.0000001E-02"},  // the 4-byte 0.05 is 0.0500000007450...
      {0.0f, true, "  0.0000000E+00"},
      {1.0e7f, true, "  1.0000000E+07"},
      {1.0, false, "   1.00000000000000     "},
      {0.5, false, "  0.500000000000000     "},
      {-2.5, false, "  -2.50000000000000     "},
      {3600.0, false, "   3600.00000000000     "},
      {0.05, false, "  5.000000000000000E-002"},
      {0.0, false, "  0.000000000000000E+000"},
      {1.0e7, false, "   10000000.0000000     "},
      // The fixed/exponent boundary is decided on the value rounded to s digits.
      {0.1f, true, "  0.1000000    "},
      {0.099999994f, true, "  9.9999994E-02"},
      {9999999.0f, true, "   9999999.    "},
      {1.0e8f, true, "  1.0000000E+08"},
      {0.001f, true, "  1.0000000E-03"},
      {0.1, false, "  0.100000000000000     "},
      {0.09999999999999999, false, "  0.100000000000000     "},
      {123456789012345.0, false, "   123456789012345.     "},
      {1.0e15, false, "  1.000000000000000E+015"},
      {-1.0e-300, false, " -1.000000000000000E-300"},
      {-0.0f, true, " -0.0000000E+00"},
      // Not finite: right-justified in the whole field.
      {kNaN, true, "            NaN"},
      {-kInf, true, "      -Infinity"},
      {kInf, false, "                Infinity"},
  };
  for (const ListRow& r : rows)
    EXPECT_EQ(List(r.x, r.single), r.field) << r.x << (r.single ? " 4-byte" : " 8-byte");
}

}  // namespace
}  // namespace seep
