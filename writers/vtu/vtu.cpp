#include "writers/vtu/vtu.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>

#include "core/io/cleanup.h"
#include "core/io/failure.h"
#include "core/io/platform.h"
#include "core/io/replace.h"
#include "core/io/xml_text.h"
#include "core/model/average.h"
#include "core/model/gradient.h"

namespace seep {
namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;
constexpr std::uint8_t kVtkTriangle = 5;
constexpr std::uint8_t kVtkQuad = 9;

// ---- Little-endian encoding of single values ----

template <class T>
void Encode(char* dst, T v) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(dst, &v, sizeof v);
  } else {
    unsigned char bytes[sizeof v];
    std::memcpy(bytes, &v, sizeof v);
    for (std::size_t b = 0; b < sizeof v; ++b) dst[b] = static_cast<char>(bytes[sizeof v - 1 - b]);
  }
}

template <class T>
void Append(std::string& out, T v) {
  char bytes[sizeof v];
  Encode(bytes, v);
  out.append(bytes, sizeof v);
}

void AppendNumber(std::string& out, auto v) {
  char digits[32];
  const auto r = std::to_chars(digits, digits + sizeof digits, v);
  out.append(std::string_view(digits, static_cast<std::size_t>(r.ptr - digits)));
}

// ---- Failures ----

[[noreturn]] void Fail(int number, const std::string& file, int cause = 0) {
  throw IoFailure{number, 0, file, cause};
}

// ---- Output through the run's buffer into the temporary file ----

void WriteOut(VtuState& r, const char* data, std::size_t size) {
  if (size == 0) return;
  if (std::fwrite(data, 1, size, r.file) != size) Fail(kErrWrite, r.target, errno);
  r.bytesWritten += size;
}

void Flush(VtuState& r) {
  WriteOut(r, r.buffer.data(), r.used);
  r.used = 0;
}

void Put(VtuState& r, const char* data, std::size_t size) {
  if (r.buffer.size() - r.used < size) {
    Flush(r);
    if (size >= r.buffer.size()) {
      WriteOut(r, data, size);
      return;
    }
  }
  std::memcpy(r.buffer.data() + r.used, data, size);
  r.used += size;
}

// Appends `count` items of `width` bytes, item i encoded by encode(i, dst), in runs that fill the
// buffer, so that the loop over the items has no test of the room left.
template <class Encode>
void PutItems(VtuState& r, std::int64_t count, std::size_t width, Encode encode) {
  std::int64_t i = 0;
  while (i < count) {
    const std::size_t room = (r.buffer.size() - r.used) / width;
    if (room == 0) {
      Flush(r);
      continue;
    }
    const std::int64_t end = std::min<std::int64_t>(count, i + static_cast<std::int64_t>(room));
    char* dst = r.buffer.data() + r.used;
    for (; i < end; ++i, dst += width) encode(i, dst);
    r.used = static_cast<std::size_t>(dst - r.buffer.data());
  }
}

// The UInt64 byte count that opens every array of the appended data.
void PutCount(VtuState& r, std::uint64_t bytes) {
  char b[8];
  Encode(b, bytes);
  Put(r, b, sizeof b);
}

// Opens the next file of the run: a step file in the new folder, or the collection beside its target.
// r.temporary names it once it is ours; r.target is the name it will have, as reports give it.
void OpenStepFile(VtuState& r) {
  int err = 0;
  r.file = CreateNewFile(r.temporary, err);
  if (r.file == nullptr) Fail(OpenErrorNumber(err), r.target, err);
  std::setvbuf(r.file, nullptr, _IONBF, 0);  // the run's buffer does the buffering
  if (r.buffer.size() < kBufferSize) r.buffer.resize(kBufferSize);
  r.used = 0;
}

// Opens a new temporary file beside the collection (or the one grid file) NAME.pvd.
void OpenBeside(VtuState& r) {
  r.file = CreateBeside(r.pvd, r.temporary, r.fileTicket);
  std::setvbuf(r.file, nullptr, _IONBF, 0);
  if (r.buffer.size() < kBufferSize) r.buffer.resize(kBufferSize);
  r.used = 0;
}

// Writes what is left in the buffer and closes the file.
void CloseFile(VtuState& r) {
  Flush(r);
  std::FILE* f = r.file;
  r.file = nullptr;
  if (std::fclose(f) != 0) Fail(kErrWrite, r.target, errno);
}

// ---- The mesh ----

// Corners of element e written as a cell: 4 for a quadrilateral, 3 for a triangle (L = K or L = 0).
int CornerCount(const Store& s, std::int32_t e) {
  return IsTriangle(s, e) ? 3 : 4;
}

bool CornersInMesh(const Store& s, std::int32_t e) {
  const int corners = CornerCount(s, e);
  for (int c = kI; c < kI + corners; ++c) {
    if (!IsNode(s, s.ELEM(e, c))) return false;
  }
  return true;
}

// The cells: active elements, or all with allElements, except those with a corner outside the mesh.
void ChooseCells(VtuState& r, const Store& s) {
  r.cellElements.clear();
  r.skipped = 0;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if (!r.allElements && !IsActive(s, e)) continue;
    if (!CornersInMesh(s, e)) {
      ++r.skipped;
      continue;
    }
    r.cellElements.push_back(e);
  }
}

// Byte sizes of the arrays of the appended data, in the order they follow one another there: the mesh
// part first (the same in every file), then the step part.
struct Layout {
  std::uint64_t points, connectivity, offsets, types, material;
  std::uint64_t time, step, pressureHead, totalHead, q, ncode, pointVelocity, pointSpeed;
  std::uint64_t cellVelocity, cellSpeed, gradient, gradientMagnitude;
};

Layout SizesOf(const VtuState& r, std::uint64_t corners) {
  const std::uint64_t n = static_cast<std::uint64_t>(r.points);
  const std::uint64_t c = r.cellElements.size();
  return {24 * n, 4 * corners, 8 * c,  c,     4 * c,  8,     4,      8 * n, 8 * n,
          8 * n,  4 * n,       24 * n, 8 * n, 24 * c, 8 * c, 24 * c, 8 * c};
}

// One <DataArray> of the appended data at byte `offset`; `tuples` > 0 for field data.
void ArrayTag(std::string& x, std::string_view indent, std::string_view type, std::string_view name,
              int components, std::uint64_t offset, int tuples = 0) {
  x += indent;
  x += "<DataArray type=\"";
  x += type;
  x += '"';
  if (!name.empty()) {
    x += " Name=\"";
    x += name;
    x += '"';
  }
  if (components > 1) {
    x += " NumberOfComponents=\"";
    AppendNumber(x, components);
    x += '"';
  }
  if (tuples > 0) {
    x += " NumberOfTuples=\"";
    AppendNumber(x, tuples);
    x += '"';
  }
  x += " format=\"appended\" offset=\"";
  AppendNumber(x, offset);
  x += "\"/>\n";
}

// The XML part of every step file, up to and including the mark "_" that opens the appended data.
// Each array's offset counts the bytes of the arrays before it, each with its 8-byte count.
void HeaderXml(std::string& x, const VtuState& r, const Layout& z) {
  std::uint64_t at = 0;
  auto next = [&at](std::uint64_t size) {
    const std::uint64_t here = at;
    at += 8 + size;
    return here;
  };
  const std::uint64_t points = next(z.points), connectivity = next(z.connectivity), offsets = next(z.offsets),
                      types = next(z.types), material = next(z.material), time = next(z.time),
                      step = next(z.step), pressureHead = next(z.pressureHead), totalHead = next(z.totalHead),
                      q = next(z.q), ncode = next(z.ncode), pointVelocity = next(z.pointVelocity),
                      pointSpeed = next(z.pointSpeed), cellVelocity = next(z.cellVelocity),
                      cellSpeed = next(z.cellSpeed), gradient = next(z.gradient),
                      gradientMagnitude = next(z.gradientMagnitude);

  x += "<?xml version=\"1.0\"?>\n";
  x += "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" "
       "header_type=\"UInt64\">\n";
  x += "  <UnstructuredGrid>\n";
  x += "    <FieldData>\n";
  ArrayTag(x, "      ", "Float64", "TIME", 1, time, 1);
  ArrayTag(x, "      ", "Int32", "STEP", 1, step, 1);
  x += "    </FieldData>\n";
  x += "    <Piece NumberOfPoints=\"";
  AppendNumber(x, r.points);
  x += "\" NumberOfCells=\"";
  AppendNumber(x, r.cellElements.size());
  x += "\">\n";
  x += "      <PointData Scalars=\"total_head\" Vectors=\"velocity\">\n";
  ArrayTag(x, "        ", "Float64", "pressure_head", 1, pressureHead);
  ArrayTag(x, "        ", "Float64", "total_head", 1, totalHead);
  ArrayTag(x, "        ", "Float64", "Q", 1, q);
  ArrayTag(x, "        ", "Int32", "NCODE", 1, ncode);
  ArrayTag(x, "        ", "Float64", "velocity", 3, pointVelocity);
  ArrayTag(x, "        ", "Float64", "speed", 1, pointSpeed);
  x += "      </PointData>\n";
  x += "      <CellData Scalars=\"material\" Vectors=\"velocity\">\n";
  ArrayTag(x, "        ", "Float64", "velocity", 3, cellVelocity);
  ArrayTag(x, "        ", "Float64", "speed", 1, cellSpeed);
  ArrayTag(x, "        ", "Float64", "hydraulic_gradient", 3, gradient);
  ArrayTag(x, "        ", "Float64", "hydraulic_gradient_magnitude", 1, gradientMagnitude);
  ArrayTag(x, "        ", "Int32", "material", 1, material);
  x += "      </CellData>\n";
  x += "      <Points>\n";
  ArrayTag(x, "        ", "Float64", "Points", 3, points);
  x += "      </Points>\n";
  x += "      <Cells>\n";
  ArrayTag(x, "        ", "Int32", "connectivity", 1, connectivity);
  ArrayTag(x, "        ", "Int64", "offsets", 1, offsets);
  ArrayTag(x, "        ", "UInt8", "types", 1, types);
  x += "      </Cells>\n";
  x += "    </Piece>\n";
  x += "  </UnstructuredGrid>\n";
  x += "  <AppendedData encoding=\"raw\">\n   _";
}

constexpr std::string_view kTail = "\n  </AppendedData>\n</VTKFile>\n";

// The mesh arrays of the appended data: X, Y, 0 per node; the 0-based corner nodes of every cell as
// stored (counter-clockwise); the running corner count after each cell; the cell types; MAT.
void MeshArrays(std::string& x, const VtuState& r, const Store& s, const Layout& z) {
  Append(x, z.points);
  for (std::int32_t n = 1; n <= r.points; ++n) {
    Append(x, s.X(n));
    Append(x, s.Y(n));
    Append(x, 0.0);
  }
  Append(x, z.connectivity);
  for (const std::int32_t e : r.cellElements) {
    for (int c = kI; c < kI + CornerCount(s, e); ++c) Append(x, s.ELEM(e, c) - 1);
  }
  Append(x, z.offsets);
  std::int64_t end = 0;
  for (const std::int32_t e : r.cellElements) {
    end += CornerCount(s, e);
    Append(x, end);
  }
  Append(x, z.types);
  for (const std::int32_t e : r.cellElements)
    x += static_cast<char>(IsTriangle(s, e) ? kVtkTriangle : kVtkQuad);
  Append(x, z.material);
  for (const std::int32_t e : r.cellElements) Append(x, s.ELEM(e, kMAT));
}

// ---- The step ----

void FieldArrays(VtuState& r, const Store& s) {
  char b[8 + 8 + 8 + 4];
  Encode(b, std::uint64_t{8});
  Encode(b + 8, s.TIME);
  Encode(b + 16, std::uint64_t{4});
  Encode(b + 24, s.ISTEP);
  Put(r, b, sizeof b);
}

// Heads, flow, code and the averaged velocity at every node. The total head is P + Y; the speed is
// that of the averaged components.
void PointArrays(VtuState& r, const Store& s) {
  const std::int64_t n = r.points;
  const std::uint64_t n8 = 8 * static_cast<std::uint64_t>(n);
  const double* p = s.P.Data();
  const double* y = s.Y.Data();
  const double* q = s.Q.Data();
  const std::int32_t* ncode = s.NCODE.Data();
  const double* vx = s.VXN.Data();
  const double* vy = s.VYN.Data();
  PutCount(r, n8);
  PutItems(r, n, 8, [&](std::int64_t i, char* d) { Encode(d, p[i]); });
  PutCount(r, n8);
  PutItems(r, n, 8, [&](std::int64_t i, char* d) { Encode(d, p[i] + y[i]); });
  PutCount(r, n8);
  PutItems(r, n, 8, [&](std::int64_t i, char* d) { Encode(d, q[i]); });
  PutCount(r, n8 / 2);
  PutItems(r, n, 4, [&](std::int64_t i, char* d) { Encode(d, ncode[i]); });
  PutCount(r, 3 * n8);
  PutItems(r, n, 24, [&](std::int64_t i, char* d) {
    Encode(d, vx[i]);
    Encode(d + 8, vy[i]);
    Encode(d + 16, 0.0);
  });
  PutCount(r, n8);
  PutItems(r, n, 8, [&](std::int64_t i, char* d) { Encode(d, Speed(vx[i], vy[i])); });
}

// Velocity and speed of the element behind every cell.
void CellArrays(VtuState& r, const Store& s) {
  const std::int64_t c = static_cast<std::int64_t>(r.cellElements.size());
  const std::uint64_t c8 = 8 * static_cast<std::uint64_t>(c);
  const std::int32_t* element = r.cellElements.data();
  const double* vx = s.VXE.Data();
  const double* vy = s.VYE.Data();
  PutCount(r, 3 * c8);
  PutItems(r, c, 24, [&](std::int64_t i, char* d) {
    Encode(d, vx[element[i] - 1]);
    Encode(d + 8, vy[element[i] - 1]);
    Encode(d + 16, 0.0);
  });
  PutCount(r, c8);
  PutItems(r, c, 8,
           [&](std::int64_t i, char* d) { Encode(d, Speed(vx[element[i] - 1], vy[element[i] - 1])); });

  // i = −∇H of every cell's element; NaN where it has none (a degenerate or inactive element).
  double* g = r.gradient.data();
  GradientLacks missing;
  for (std::int64_t i = 0; i < c; ++i) {
    const std::int32_t e = element[i];
    const ElementGradient grad = HydraulicGradient(s, e);
    const bool ok = grad.ok && IsActive(s, e);
    if (!ok && IsActive(s, e)) missing.Add(grad.lack);
    g[2 * i] = ok ? grad.ix : std::numeric_limits<double>::quiet_NaN();
    g[2 * i + 1] = ok ? grad.iy : std::numeric_limits<double>::quiet_NaN();
  }
  if (missing.Total() > r.noGradient) {
    r.noGradient = missing.Total();
    r.noGradientCauses = missing;
  }
  PutCount(r, 3 * c8);
  PutItems(r, c, 24, [&](std::int64_t i, char* d) {
    Encode(d, g[2 * i]);
    Encode(d + 8, g[2 * i + 1]);
    Encode(d + 16, 0.0);
  });
  PutCount(r, c8);
  PutItems(r, c, 8, [&](std::int64_t i, char* d) { Encode(d, Speed(g[2 * i], g[2 * i + 1])); });
}

// The name of step file `number` in `folder`: FOLDER/NAME_0001.vtu for the first, at least four digits.
void StepFileName(std::string& out, std::string_view folder, const VtuState& r, std::size_t number) {
  out = folder;
  out += r.stem;
  out += '_';
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  out.append(static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, 4 - (end - digits))), '0');
  out.append(digits, end);
  out += ".vtu";
}

// The folder NAME/ without its separator.
std::string FolderName(const VtuState& r) {
  return r.folder.substr(0, r.folder.size() - 1);
}

// True when NAME/ is a step folder that this program made: NAME.pvd beside it is a collection, and
// every entry of the folder is a step file that it lists. Only such a folder is ever replaced; a
// folder of the user's that happens to have the name is left alone (and the run refused).
bool FolderIsOurs(const VtuState& r) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path folder = SystemPath(FolderName(r));
  const fs::file_status st = fs::symlink_status(folder, ec);
  // Nothing there to lose; or a file, which no folder ever replaces (refused when the folder is made).
  if (!fs::is_directory(st)) return true;
  constexpr std::uintmax_t kLongestCollection = std::uintmax_t{64} << 20;
  const fs::file_status pvd = fs::status(SystemPath(r.pvd), ec);
  // A collection name taken by a folder or a device fails when the collection is put in place, which
  // puts the old folder back first.
  if (fs::exists(pvd) && !fs::is_regular_file(pvd)) return true;
  // Read through the platform's own call, which takes names of any length where the status may not.
  std::FILE* f = OpenFile(r.pvd, "rb");
  if (f == nullptr) return false;
  std::string listing;
  char buffer[1 << 16];
  for (std::size_t n;
       listing.size() <= kLongestCollection && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
    listing.append(buffer, n);
  const bool read = std::ferror(f) == 0 && listing.size() <= kLongestCollection;
  std::fclose(f);
  if (!read || !listing.starts_with("<?xml version=\"1.0\"?>\n<VTKFile type=\"Collection\"")) return false;
  std::string entry;
  auto listed = [&](const fs::path& name) {
    entry = " file=\"";
    AppendXmlText(entry, r.stem + '/' + NameOf(name));
    entry += "\"/>";
    return listing.find(entry) != std::string::npos;
  };
#ifdef _WIN32
  // The system's own listing, which takes a folder of any length (the C runtime's status of an entry
  // past the classic limit fails there).
  for (const std::string& name : MatchingNames(r.folder + "*")) {
    if (!listed(NativePath(name).filename())) return false;
  }
  return true;
#else
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec) || it->is_symlink(ec)) return false;
    if (!listed(it->path().filename())) return false;
  }
  return !ec;
#endif
}

void RefuseFolderNotOurs(const VtuState& r) {
  if (!FolderIsOurs(r))
    throw OutputRefused{r.folder, "a folder that is not a collection of ours; name another with -o"};
}

// A step file of the old folder that the system would not let go (on Windows: read-only, or open in
// another program) is refused before the folders change: once the new folder is in place, the old one
// could not be removed whole, and its leftovers would lie beside the collection under a temporary name.
void RefuseStepFilesThatStay(const VtuState& r) {
  std::string why;
  int err = 0;
  const std::string stays = FileThatStays(FolderName(r), why, err);
  if (!stays.empty())
    throw IoFailure{kErrPermission, 0, r.folder + stays, err, why + "; the old collection is left as it was"};
}

// The new folder that the step files go to, under a temporary name beside NAME/.
// An existing NAME/ or NAME.pvd that the user may not write is refused, as a shell redirection
// refuses it, before any file is written; for the folder the first step file's name says where.
void MakeNewFolder(VtuState& r) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::is_directory(NativePath(FolderName(r)), ec)) {
    if (!MayWrite(FolderName(r))) Fail(kErrPermission, r.target.empty() ? r.folder : r.target, EACCES);
    RefuseStepFilesThatStay(r);
  }
  if (fs::exists(NativePath(r.pvd), ec) && !MayWrite(r.pvd)) Fail(kErrPermission, r.pvd, EACCES);
  try {
    r.staging = MakeFolderBeside(FolderName(r), r.stagingTicket);
  } catch (IoFailure& failure) {
    failure.file = r.folder;
    throw;
  }
  r.staging += '/';
}

// Puts the new folder and the collection in place of the old ones: the folders swap names in one step
// where the system can (else the old one is moved aside first), then the collection replaces its
// target; the old folder, now under the temporary name, is removed afterwards. The renames hold a lock
// on the collection's folder, so that runs side by side on one target never pair one run's folder with
// another's collection. A failure before the collection is in place puts the old folder back.
void SwapIntoPlace(VtuState& r) {
  namespace fs = std::filesystem;
  const std::string folder = FolderName(r);
  const std::string staging = r.staging.substr(0, r.staging.size() - 1);
  GuardInputs(r.pvd, folder);
  const int lock = LockFolder(NameOf(NativePath(r.pvd).parent_path()));
  enum { kNone, kExchanged, kMovedAside, kRenamed } done = kNone;
  std::string aside;
  std::error_code ec;
  std::optional<InterruptionsHeld> held;
  try {
    const fs::file_status old = fs::symlink_status(NativePath(folder), ec);
    if (fs::exists(old) && !fs::is_directory(old) && !fs::is_symlink(old))
      Fail(kErrOpenFailure, r.folder, ENOTDIR);
    RefuseFolderNotOurs(r);  // again, under the lock: made meanwhile
    if (fs::is_directory(old)) RefuseStepFilesThatStay(r);
    // The new folder takes the old one's mode (a private folder stays private).
    if (fs::is_directory(old)) fs::permissions(NativePath(staging), old.permissions(), ec);
    // From the first rename to the collection in place, an interruption waits: the collection and its
    // folder change together.
    held.emplace();
    if (!fs::exists(old)) {
      if (!ReplaceFile(NativePath(staging), NativePath(folder), ec))
        Fail(OpenErrorNumber(ec.value()), r.folder, ec.value());
      done = kRenamed;
    } else if (ExchangeFolders(NativePath(staging), NativePath(folder), ec)) {
      done = kExchanged;
    } else if (ec == std::errc::not_supported) {
      aside = staging + "-old";
      if (!ReplaceFile(NativePath(folder), NativePath(aside), ec))
        Fail(OpenErrorNumber(ec.value()), r.folder, ec.value());
      r.asideTicket = TemporaryTicket(aside, TemporaryKind::kFolder);
      done = kMovedAside;
      if (!ReplaceFile(NativePath(staging), NativePath(folder), ec))
        Fail(OpenErrorNumber(ec.value()), r.folder, ec.value());
    } else {
      Fail(OpenErrorNumber(ec.value()), r.folder, ec.value());
    }
    SignalPoint("vtu-folder-swapped");
    MoveIntoPlace(r.temporary, r.pvd);
    r.temporary.clear();
    r.fileTicket.Forget();
    SignalPoint("vtu-collection-in-place");
  } catch (...) {
    if (done == kExchanged) ExchangeFolders(NativePath(staging), NativePath(folder), ec);
    if (done == kRenamed) ReplaceFile(NativePath(folder), NativePath(staging), ec);
    if (done == kMovedAside) {
      ReplaceFile(NativePath(folder), NativePath(staging), ec);
      ReplaceFile(NativePath(aside), NativePath(folder), ec);
      r.asideTicket.Forget();
    }
    held.reset();
    UnlockFolder(lock);
    throw;
  }
  held.reset();
  UnlockFolder(lock);
  // What is left under a temporary name is the old folder, or nothing.
  RemoveFolderTree(done == kMovedAside ? aside : staging);
  r.stagingTicket.Forget();
  r.asideTicket.Forget();
  r.staging.clear();
}

}  // namespace

void SetUpVtu(VtuState& run, const Store& s, const std::filesystem::path& pvd, bool allElements) {
  // NAME.pvd beside the folder NAME/: a name without an extension would be the folder's own name.
  if (pvd.filename().empty() || pvd.stem().empty() || pvd.extension().empty())
    Fail(kErrFileName, NameOf(pvd));
  run.pvd = NameOf(pvd);
  run.stem = NameOf(pvd.stem());
  run.folder = NameOf(pvd.parent_path() / pvd.stem());
  run.folder += '/';
  run.allElements = allElements;
  run.staging.clear();
  std::string extension = pvd.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  run.oneGrid = extension == ".vtu";
  run.passedOver = 0;
  GuardInputs(run.pvd, run.oneGrid ? std::string() : FolderName(run));
  if (!run.oneGrid) RefuseFolderNotOurs(run);

  // A negative node count holds no node.
  run.points = std::max<std::int32_t>(s.NUMNP, 0);
  ChooseCells(run, s);
  std::uint64_t corners = 0;
  for (const std::int32_t e : run.cellElements) corners += static_cast<std::uint64_t>(CornerCount(s, e));
  const Layout z = SizesOf(run, corners);

  run.head.clear();
  HeaderXml(run.head, run, z);
  run.head.reserve(run.head.size() + 40 + z.points + z.connectivity + z.offsets + z.types + z.material);
  MeshArrays(run.head, run, s, z);

  run.buffer.clear();  // made with the first step file
  run.used = 0;
  run.times.clear();
  run.times.reserve(256);
  run.bytesWritten = 0;
}

void WriteVtuStep(VtuState& run, Store& s) {
  if (run.oneGrid && !run.times.empty()) {
    ++run.passedOver;  // one grid file holds the first step selected
    return;
  }
  UseNodalAverage(s);
  if (run.oneGrid) {
    run.target = run.pvd;
    std::error_code ec;
    if (std::filesystem::exists(NativePath(run.pvd), ec) && !MayWrite(run.pvd))
      Fail(kErrPermission, run.pvd, EACCES);
    OpenBeside(run);
  } else {
    StepFileName(run.target, run.folder, run, run.times.size() + 1);
    if (run.staging.empty()) MakeNewFolder(run);
    StepFileName(run.temporary, run.staging, run, run.times.size() + 1);
    OpenStepFile(run);
  }
  Put(run, run.head.data(), run.head.size());
  FieldArrays(run, s);
  PointArrays(run, s);
  if (run.gradient.size() != 2 * run.cellElements.size())
    run.gradient.assign(2 * run.cellElements.size(), 0.0);
  CellArrays(run, s);
  Put(run, kTail.data(), kTail.size());
  CloseFile(run);
  if (run.oneGrid) {
    MoveIntoPlace(run.temporary, run.pvd);
    run.fileTicket.Forget();
  }
  run.temporary.clear();  // in place, or a part of the new folder
  run.times.push_back(s.TIME);
}

void FinishVtu(VtuState& run, const Store&) {
  if (run.oneGrid) return;  // the grid file is all there is
  std::string x;
  x += "<?xml version=\"1.0\"?>\n";
  x += "<VTKFile type=\"Collection\" version=\"0.1\" byte_order=\"LittleEndian\">\n";
  x += "  <Collection>\n";
  const std::string folder = run.stem + '/';  // as seen from the collection's own folder
  std::string file;
  for (std::size_t k = 0; k < run.times.size(); ++k) {
    // The shortest decimal that reads back as the same double.
    x += "    <DataSet timestep=\"";
    AppendNumber(x, run.times[k]);
    x += "\" group=\"\" part=\"0\" file=\"";
    StepFileName(file, folder, run, k + 1);
    AppendXmlText(x, file);
    x += "\"/>\n";
  }
  x += "  </Collection>\n";
  x += "</VTKFile>\n";
  if (run.staging.empty()) MakeNewFolder(run);
  SignalPoint("vtu-steps-written");
  run.target = run.pvd;
  OpenBeside(run);
  Put(run, x.data(), x.size());
  CloseFile(run);
  SignalPoint("vtu-collection-written");
  SwapIntoPlace(run);
}

void AbandonVtu(VtuState& run) noexcept {
  if (run.file != nullptr) {
    std::fclose(run.file);
    run.file = nullptr;
  }
  if (!run.temporary.empty()) {
    RemoveFile(run.temporary);
    run.temporary.clear();
  }
  run.fileTicket.Forget();
  if (!run.staging.empty()) {
    RemoveFolderTree(run.staging.substr(0, run.staging.size() - 1));
    run.staging.clear();
  }
  run.stagingTicket.Forget();
  run.used = 0;
}

std::int64_t SkippedElements(const VtuState& run) {
  return run.skipped;
}

std::string VtuWarnings(const VtuState& run) {
  std::string text;
  if (run.skipped > 0) {
    text = std::to_string(run.skipped) + (run.skipped == 1 ? " element" : " elements") +
           " with a corner outside the mesh left out";
  }
  if (run.noGradient > 0) {
    if (!text.empty()) text += "; ";
    text += std::to_string(run.noGradient) + (run.noGradient == 1 ? " element" : " elements") +
            " without a hydraulic gradient (" + DescribeGradientLacks(run.noGradientCauses) +
            "): NaN in the gradient arrays";
  }
  if (run.passedOver > 0) {
    if (!text.empty()) text += "; ";
    text +=
        std::to_string(run.passedOver + 1) +
        " steps selected, the first written: a .vtu file holds one step (a .pvd collection holds them all)";
  }
  return text;
}

}  // namespace seep
