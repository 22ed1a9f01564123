// The native part of the Python module `seepconv`: a result file read by the converter's own reader into
// NumPy arrays, points located as INTERP locates them, and the command line run in this process.
//
// The module only converts: the reader, the nodal average, the hydraulic gradient, point location and
// the commands are the converter's. Failures leave as ResultFailure (the command line's message and
// error number), which the Python layer turns into seepconv.ResultFileError. The interpreter's lock is
// released while a file is read or a command runs.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/convert.h"
#include "app/kinds.h"
#include "app/messages.h"
#include "app/text.h"
#include "core/io/failure.h"
#include "core/io/units.h"
#include "core/model/average.h"
#include "core/model/gradient.h"
#include "core/model/locate.h"
#include "core/model/store.h"
#include "core/reader/result_file.h"

namespace py = pybind11;

namespace seep::python {
namespace {

// A failure as the command line reports it: `file`, what went wrong, the error number, and `step`, the
// step it met counted from 1 in file order (0: the header or the opening).
struct ResultFailure {
  std::string file;
  std::string what;
  int number = 0;
  std::int64_t step = 0;
};

// A stream in memory that the command line writes into, read back as text when closed.
class MemoryStream {
 public:
  MemoryStream() : file_(open_memstream(&data_, &size_)) {
    if (file_ == nullptr) throw std::bad_alloc();
  }
  ~MemoryStream() {
    if (file_ != nullptr) std::fclose(file_);
    std::free(data_);
  }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;
  std::FILE* File() const { return file_; }
  std::string Take() {
    std::fclose(std::exchange(file_, nullptr));
    return std::string(data_, size_);
  }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_;
};

// The line the command line writes for a failure, without its "seepconv: " and its line end.
std::string MessageOf(const ResultFailure& f) {
  MemoryStream stream;
  Messages(stream.File()).Failure(f.file, f.what, f.number);
  std::string line = stream.Take();
  if (line.starts_with("seepconv: ")) line.erase(0, 10);
  while (!line.empty() && line.back() == '\n') line.pop_back();
  return line;
}

// A result file open for reading: its mesh, and the index of its steps (number, time and where each
// begins) made by one pass over the file that checks every record without taking its values. The
// steps before a damage stay readable; the damage is kept.
class ResultReader {
 public:
  struct Indexed {
    std::int32_t number;
    double time;
    std::uint64_t position;
  };

  explicit ResultReader(const std::string& path) : file_(ShownName(path)) {
    try {
      result::Open(*io_, path);
    } catch (const IoFailure& failure) {
      throw ResultFailure{file_, PlainWords(failure), failure.number, 0};
    }
    result::RecordPlace place;
    try {
      result::ReadHeader(*io_, *s_, &place);
    } catch (const IoFailure& failure) {
      throw ResultFailure{file_, result::DescribeDamage(failure.number, place, 0), failure.number, 0};
    }
    for (;;) {
      const std::uint64_t at = io_->Position(result::kUnit);
      const std::int64_t step = static_cast<std::int64_t>(index_.size()) + 1;
      try {
        if (!result::SkipStep(*io_, *s_, &place)) break;
      } catch (const IoFailure& failure) {
        damage_ =
            ResultFailure{file_, result::DescribeDamage(failure.number, place, step), failure.number, step};
        break;
      }
      index_.push_back({s_->ISTEP, s_->TIME, at});
    }
  }

  const Store& Mesh() const { return *s_; }
  const std::vector<Indexed>& Index() const { return index_; }
  const std::optional<ResultFailure>& Damage() const { return damage_; }
  const std::string& File() const { return file_; }

  // The arrays of one step, filled by Read.
  struct StepArrays {
    std::int32_t* ncode;
    double* p;
    double* h;
    double* q;
    double* velocity;       // VXE, VYE per element
    double* nodalVelocity;  // VXN, VYN per node
    double* gradient;       // i_x, i_y per element; NaN where none or inactive
  };

  // Reads step `i` (0-based, in file order) into `out`, with the nodal average and the gradients that
  // the writers make of it.
  void Read(std::size_t i, const StepArrays& out) {
    const std::lock_guard lock(mutex_);
    Store& s = *s_;
    result::RecordPlace place;
    try {
      io_->SeekUnit(result::kUnit, index_.at(i).position);
      result::ReadStep(*io_, s, &place);
    } catch (const IoFailure& failure) {
      const std::int64_t step = static_cast<std::int64_t>(i) + 1;
      throw ResultFailure{file_, result::DescribeDamage(failure.number, place, step), failure.number, step};
    }
    AverageNodalVelocity(s);
    const std::size_t numnp = static_cast<std::size_t>(s.NUMNP);
    std::memcpy(out.ncode, s.NCODE.Data(), numnp * sizeof(std::int32_t));
    std::memcpy(out.p, s.P.Data(), numnp * sizeof(double));
    std::memcpy(out.q, s.Q.Data(), numnp * sizeof(double));
    for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
      out.h[n - 1] = s.P(n) + s.Y(n);
      out.nodalVelocity[2 * (n - 1)] = s.VXN(n);
      out.nodalVelocity[2 * (n - 1) + 1] = s.VYN(n);
    }
    constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
      out.velocity[2 * (e - 1)] = s.VXE(e);
      out.velocity[2 * (e - 1) + 1] = s.VYE(e);
      // As the VTU files give it: none for an inactive element.
      const ElementGradient g = HydraulicGradient(s, e);
      const bool ok = g.ok && IsActive(s, e);
      out.gradient[2 * (e - 1)] = ok ? g.ix : kNone;
      out.gradient[2 * (e - 1) + 1] = ok ? g.iy : kNone;
    }
  }

 private:
  std::string file_;
  std::unique_ptr<Io> io_ = std::make_unique<Io>(stdin, stdout, stderr);  // the console is not used
  std::unique_ptr<Store> s_ = std::make_unique<Store>();
  std::vector<Indexed> index_;
  std::optional<ResultFailure> damage_;
  std::mutex mutex_;  // one step read at a time through the one unit and store
};

template <class T>
py::array_t<T> NewArray(std::size_t rows, std::size_t columns = 0) {
  if (columns == 0) return py::array_t<T>(static_cast<py::ssize_t>(rows));
  return py::array_t<T>({static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(columns)});
}

template <class T>
py::array_t<T> ReadOnly(py::array_t<T> a) {
  a.attr("flags").attr("writeable") = false;
  return a;
}

// The mesh as arrays: nodes N×2, element corners E×4 as stored, materials E.
py::tuple MeshArrays(const ResultReader& r) {
  const Store& s = r.Mesh();
  auto nodes = NewArray<double>(s.NUMNP, 2);
  auto elements = NewArray<std::int32_t>(s.NUMEL, 4);
  auto materials = NewArray<std::int32_t>(s.NUMEL);
  double* xy = nodes.mutable_data();
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    xy[2 * (n - 1)] = s.X(n);
    xy[2 * (n - 1) + 1] = s.Y(n);
  }
  std::int32_t* corners = elements.mutable_data();
  std::int32_t* mat = materials.mutable_data();
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    for (int c = kI; c <= kL; ++c) corners[4 * (e - 1) + (c - kI)] = s.ELEM(e, c);
    mat[e - 1] = s.ELEM(e, kMAT);
  }
  return py::make_tuple(TrimmedTitle(s), ReadOnly(nodes), ReadOnly(elements), ReadOnly(materials));
}

py::list StepIndex(const ResultReader& r) {
  py::list steps;
  for (const ResultReader::Indexed& i : r.Index()) steps.append(py::make_tuple(i.number, i.time));
  return steps;
}

std::optional<py::tuple> DamageOf(const ResultReader& r) {
  if (!r.Damage()) return std::nullopt;
  const ResultFailure& f = *r.Damage();
  return py::make_tuple(MessageOf(f), f.file, f.what, f.number, f.step);
}

// Step `i` (negative from the end) as a dict of its number, time and arrays.
py::dict ReadStepArrays(ResultReader& r, std::int64_t i) {
  const std::int64_t count = static_cast<std::int64_t>(r.Index().size());
  if (i < 0) i += count;
  if (i < 0 || i >= count)
    throw py::index_error("step position out of range (the file has " + std::to_string(count) +
                          " readable steps)");
  const std::size_t n = static_cast<std::size_t>(r.Mesh().NUMNP),
                    e = static_cast<std::size_t>(r.Mesh().NUMEL);
  auto ncode = NewArray<std::int32_t>(n);
  auto p = NewArray<double>(n), h = NewArray<double>(n), q = NewArray<double>(n);
  auto velocity = NewArray<double>(e, 2), nodal = NewArray<double>(n, 2), gradient = NewArray<double>(e, 2);
  const ResultReader::StepArrays out{ncode.mutable_data(),   p.mutable_data(),        h.mutable_data(),
                                     q.mutable_data(),       velocity.mutable_data(), nodal.mutable_data(),
                                     gradient.mutable_data()};
  {
    py::gil_scoped_release unlocked;
    r.Read(static_cast<std::size_t>(i), out);
  }
  const ResultReader::Indexed& at = r.Index()[static_cast<std::size_t>(i)];
  py::dict d;
  d["number"] = at.number;
  d["time"] = at.time;
  d["ncode"] = ncode;
  d["pressure_head"] = p;
  d["total_head"] = h;
  d["q"] = q;
  d["velocity"] = velocity;
  d["nodal_velocity"] = nodal;
  d["hydraulic_gradient"] = gradient;
  return d;
}

// Points M×2 located in the mesh as INTERP locates them: element (0 outside), the corners of the
// triangle that holds each point and their weights.
py::tuple Locate(ResultReader& r, py::array_t<double, py::array::c_style | py::array::forcecast> points) {
  if (points.ndim() != 2 || points.shape(1) != 2)
    throw py::value_error("points must be an M×2 array of x, y");
  const std::size_t m = static_cast<std::size_t>(points.shape(0));
  auto element = NewArray<std::int32_t>(m);
  auto nodes = NewArray<std::int32_t>(m, 3);
  auto weights = NewArray<double>(m, 3);
  const double* xy = points.data();
  std::int32_t* el = element.mutable_data();
  std::int32_t* nd = nodes.mutable_data();
  double* w = weights.mutable_data();
  {
    py::gil_scoped_release unlocked;
    const Store& s = r.Mesh();
    const ElementBins bins = BinElements(s);
    for (std::size_t i = 0; i < m; ++i) {
      const PointLocation at = LocatePoint(bins, s, xy[2 * i], xy[2 * i + 1]);
      el[i] = at.element;
      for (int k = 0; k < 3; ++k) {
        nd[3 * i + k] = at.nodes[k];
        w[3 * i + k] = at.weights[k];
      }
    }
  }
  return py::make_tuple(element, nodes, weights);
}

// The command line with `args`, its standard output and error caught: (status, output bytes, error
// text). Commands run one at a time: the command line keeps the run's inputs and temporaries in
// tables of its own.
py::tuple RunCommand(const std::vector<std::string>& args) {
  static std::mutex oneAtATime;
  int status = 0;
  std::string out, err;
  {
    py::gil_scoped_release unlocked;
    const std::lock_guard lock(oneAtATime);
    const std::vector<std::string_view> views(args.begin(), args.end());
    MemoryStream outStream, errStream;
    status = RunCommandLine(views, outStream.File(), errStream.File());
    out = outStream.Take();
    err = errStream.Take();
  }
  return py::make_tuple(status, py::bytes(out), err);
}

}  // namespace
}  // namespace seep::python

PYBIND11_MODULE(_core, m) {
  using seep::python::ResultFailure;
  using seep::python::ResultReader;
  m.doc() = "Native part of seepconv: the converter's reader, point location and command line.";

  // ResultFailure leaves as _core.Failure(message, file, what, number, step); the Python layer raises
  // ResultFileError from it.
  static py::exception<ResultFailure> failure(m, "Failure");
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const ResultFailure& f) {
      py::object args = py::make_tuple(seep::python::MessageOf(f), f.file, f.what, f.number, f.step);
      PyErr_SetObject(failure.ptr(), args.ptr());
    }
  });

  py::class_<ResultReader>(m, "Reader", "A result file open for reading (see seepconv.open).")
      .def(py::init([](const std::string& path) {
             py::gil_scoped_release unlocked;
             return std::make_unique<ResultReader>(path);
           }),
           py::arg("path"))
      .def("mesh", &seep::python::MeshArrays, "(title, nodes N×2, elements E×4, materials E)")
      .def("index", &seep::python::StepIndex, "[(number, time), ...] of the readable steps")
      .def("damage", &seep::python::DamageOf,
           "(message, file, what, number, step) of the damage that ends the readable steps, or None")
      .def("read", &seep::python::ReadStepArrays, py::arg("position"), "The arrays of one step as a dict.")
      .def("locate", &seep::python::Locate, py::arg("points"), "(element, nodes, weights) of M×2 points.");

  m.def(
      "default_output",
      [](const std::string& result, const std::string& kind) {
        const seep::OutputKind* k = seep::KindOfName("convert", kind);
        if (k == nullptr) throw py::value_error("no output kind '" + kind + "'");
        return seep::DefaultOutput(result, *k);
      },
      py::arg("result"), py::arg("kind"), "The output that convert writes without -o.");
  m.def("run", &seep::python::RunCommand, py::arg("args"),
        "Runs the command line with ARGS: (status, standard output as bytes, standard error as text).");
}
