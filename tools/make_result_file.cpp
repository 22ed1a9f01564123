// Writes a plausible result file of a seepage analysis on a rectangular grid, for examples and
// benchmarks: nx × ny nodes, one quadrilateral per cell (counter-clockwise), some cells as triangles,
// a few inactive elements, and a number of time steps with heads and Darcy velocities.
//
//   make_result_file --nx 271 --ny 164 --steps 50 --out RESULT.DAT
//   options: --replace-every N  cell e with e % N == 0 becomes the triangle I, J, K stored with L = K
//            --split-every N    cell e with e % N == 0 becomes two triangles (I, J, K) and (I, K, L)
//            --zero-l-every N   among the triangles, every Nth is stored with L = 0 instead of L = K
//            --inactive-every N element e with e % N == 0 gets material 0 (every other one -1)
//            --title TEXT
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Writer {
  std::FILE* f;
  std::vector<unsigned char> buf;
  void Int4(std::int32_t v) {
    for (int b = 0; b < 4; ++b)
      buf.push_back(static_cast<unsigned char>((static_cast<std::uint32_t>(v) >> (8 * b)) & 0xFF));
  }
  void Real8(double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int b = 0; b < 8; ++b) buf.push_back(static_cast<unsigned char>((u >> (8 * b)) & 0xFF));
  }
  void Text(const std::string& s) { buf.insert(buf.end(), s.begin(), s.end()); }
  // Frames what was gathered as one record and writes it.
  void Record() {
    std::vector<unsigned char> payload;
    payload.swap(buf);
    Int4(static_cast<std::int32_t>(payload.size()));
    std::vector<unsigned char> count = buf;
    buf.clear();
    std::fwrite(count.data(), 1, 4, f);
    std::fwrite(payload.data(), 1, payload.size(), f);
    std::fwrite(count.data(), 1, 4, f);
  }
};

struct Element {
  std::int32_t i, j, k, l, mat;
};

long Option(int argc, char** argv, const char* name, long fallback) {
  for (int a = 1; a + 1 < argc; ++a) {
    if (std::strcmp(argv[a], name) == 0) return std::strtol(argv[a + 1], nullptr, 10);
  }
  return fallback;
}

const char* TextOption(int argc, char** argv, const char* name, const char* fallback) {
  for (int a = 1; a + 1 < argc; ++a) {
    if (std::strcmp(argv[a], name) == 0) return argv[a + 1];
  }
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  const long nx = Option(argc, argv, "--nx", 21);
  const long ny = Option(argc, argv, "--ny", 11);
  const long steps = Option(argc, argv, "--steps", 5);
  const long replaceEvery = Option(argc, argv, "--replace-every", 0);
  const long splitEvery = Option(argc, argv, "--split-every", 0);
  const long zeroLEvery = Option(argc, argv, "--zero-l-every", 0);
  const long inactiveEvery = Option(argc, argv, "--inactive-every", 0);
  const std::string out = TextOption(argc, argv, "--out", "RESULT.DAT");
  std::string title = TextOption(argc, argv, "--title", "Seepage through an embankment, transient");
  title.resize(80, ' ');
  if (nx < 2 || ny < 2) {
    std::fprintf(stderr, "make_result_file: --nx and --ny must be at least 2\n");
    return 2;
  }

  const double dx = 1.0, dy = 0.5, width = dx * static_cast<double>(nx - 1);
  auto node = [&](long i, long j) { return static_cast<std::int32_t>(j * nx + i + 1); };

  std::vector<Element> elements;
  long triangles = 0;
  auto triangle = [&](std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t mat) {
    ++triangles;
    const bool zeroL = zeroLEvery > 0 && triangles % zeroLEvery == 0;
    elements.push_back({a, b, c, zeroL ? 0 : c, mat});
  };
  long cell = 0;
  for (long j = 0; j + 1 < ny; ++j) {
    for (long i = 0; i + 1 < nx; ++i) {
      ++cell;
      const std::int32_t mat = j < (ny - 1) / 3 ? 1 : (j < 2 * (ny - 1) / 3 ? 2 : 3);
      const std::int32_t a = node(i, j), b = node(i + 1, j), c = node(i + 1, j + 1), d = node(i, j + 1);
      if (splitEvery > 0 && cell % splitEvery == 0) {
        triangle(a, b, c, mat);
        triangle(a, c, d, mat);
      } else if (replaceEvery > 0 && cell % replaceEvery == 0) {
        triangle(a, b, c, mat);
      } else {
        elements.push_back({a, b, c, d, mat});
      }
    }
  }
  if (inactiveEvery > 0) {
    for (std::size_t e = 1; e <= elements.size(); ++e) {
      if (e % static_cast<std::size_t>(inactiveEvery) == 0) {
        elements[e - 1].mat = (e / static_cast<std::size_t>(inactiveEvery)) % 2 == 0 ? -1 : 0;
      }
    }
  }

  std::FILE* f = std::fopen(out.c_str(), "wb");
  if (f == nullptr) {
    std::fprintf(stderr, "make_result_file: cannot write %s\n", out.c_str());
    return 1;
  }
  Writer w{f, {}};
  w.Text(title);
  w.Record();
  const long numnp = nx * ny;
  w.Int4(static_cast<std::int32_t>(numnp));
  w.Record();
  std::vector<double> X(numnp), Y(numnp);
  for (long j = 0; j < ny; ++j) {
    for (long i = 0; i < nx; ++i) {
      const long n = j * nx + i;
      X[n] = dx * static_cast<double>(i);
      Y[n] = dy * static_cast<double>(j);
      w.Real8(X[n]);
      w.Real8(Y[n]);
    }
  }
  w.Record();
  w.Int4(static_cast<std::int32_t>(elements.size()));
  w.Record();
  for (const Element& e : elements) {
    w.Int4(e.i);
    w.Int4(e.j);
    w.Int4(e.k);
    w.Int4(e.l);
    w.Int4(e.mat);
    w.Real8(1.0e-4 * e.mat);  // permeability and porosity of the element, unused by the converter
    w.Real8(0.3);
  }
  w.Record();

  const double height = dy * static_cast<double>(ny - 1);
  for (long step = 1; step <= steps; ++step) {
    const double time = 3600.0 * static_cast<double>(step);
    // Total head falls from the upstream to the downstream face; the upstream level rises with time.
    const double upstream = 0.9 * height * (1.0 - std::exp(-0.2 * static_cast<double>(step)));
    const double downstream = 0.2 * height;
    auto head = [&](double x, double y) {
      return upstream + (downstream - upstream) * x / width + 0.05 * std::sin(3.0 * x / width + y);
    };
    w.Int4(static_cast<std::int32_t>(step));
    w.Real8(time);
    w.Record();
    for (long n = 0; n < numnp; ++n) {
      const double p = head(X[n], Y[n]) - Y[n];
      const bool boundary = n % nx == 0 || n % nx == nx - 1;
      w.Int4(boundary ? 1 : 0);
      w.Real8(p);
      w.Real8(p >= 0.0 ? 1.0 : std::max(0.2, 1.0 + p / 5.0));
    }
    w.Record();
    for (const Element& e : elements) {
      const double k = 1.0e-4 * std::max(1, e.mat);
      const double xc = 0.5 * (X[e.i - 1] + X[e.k - 1]), yc = 0.5 * (Y[e.i - 1] + Y[e.k - 1]);
      const double h = 1.0e-3;
      w.Real8(-k * (head(xc + h, yc) - head(xc - h, yc)) / (2 * h));
      w.Real8(-k * (head(xc, yc + h) - head(xc, yc - h)) / (2 * h));
    }
    w.Record();
  }
  if (std::fclose(f) != 0) {
    std::fprintf(stderr, "make_result_file: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
