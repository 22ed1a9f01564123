// VTK XML output for ParaView, VisIt, PyVista, meshio and VTK: one unstructured grid file per
// written step, NAME/NAME_0001.vtu, NAME/NAME_0002.vtu, ... (numbered in the order written, since step
// numbers may repeat), and the collection NAME.pvd that lists them with their times.
//
// Each .vtu holds the nodes as points, the elements as cells (quadrilaterals and triangles), the
// heads, flows and codes at the nodes, the element velocities, hydraulic gradients and materials, and
// the step's TIME and number. Data are binary, appended raw, little-endian, Float64 exactly as the result
// file holds them.
//
// The collection is replaced whole: the step files go into a new folder under a temporary name beside
// NAME/, the collection into a temporary file beside NAME.pvd, and both take their names only when
// every file is complete, so that the old collection stays as it was until then and no step file of
// an earlier run is left over. A target named NAME.vtu instead of NAME.pvd is one step's grid alone:
// that file, made whole beside its name, no folder and no collection. Failures raise IoFailure
// (core/io/failure.h), an input in the way OutputRefused (core/io/replace.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/io/cleanup.h"
#include "core/model/gradient.h"
#include "core/model/store.h"

namespace seep {

// The VTU writer's own state for one conversion.
struct VtuState {
  // Targets: the collection NAME.pvd, the folder NAME/ beside it (with its separator), and NAME.
  std::string pvd;
  std::string folder;
  std::string stem;
  bool allElements = false;
  // The new folder under its temporary name (with its separator) once made; empty before and after.
  std::string staging;
  TemporaryTicket stagingTicket;
  TemporaryTicket asideTicket;  // the old folder moved aside, where folders cannot swap in one step
  TemporaryTicket fileTicket;   // the collection under its temporary name
  bool oneGrid = false;         // the target is NAME.vtu: one step's grid, written to that name

  // The mesh: nodes written as points, and for every cell the element it shows, in file order.
  std::int64_t points = 0;
  std::vector<std::int32_t> cellElements;
  std::int64_t skipped = 0;     // elements left out for a corner outside the mesh
  std::int64_t passedOver = 0;  // one grid: selected steps after the first, not written
  // Hydraulic gradient of every cell for the step being written (ix, iy), and the most active elements
  // of one step that had none, with their causes.
  std::vector<double> gradient;
  std::int64_t noGradient = 0;
  GradientLacks noGradientCauses;

  // Bytes every step file starts with: the XML header, the mark of the appended data and the mesh
  // arrays (points, connectivity, offsets, types, material), encoded once.
  std::string head;

  // Output: the reusable buffer and the file being written under its temporary name.
  std::vector<char> buffer;
  std::size_t used = 0;
  std::FILE* file = nullptr;
  std::string target;     // final name of the file being written
  std::string temporary;  // the name it is written under while it is ours

  // TIME of every step file written so far, in order: file k is NAME_k.
  std::vector<double> times;
  std::uint64_t bytesWritten = 0;
};

// Checks the mesh, encodes the mesh part once; `pvd` is the collection path (NAME.pvd): step files go
// to NAME/NAME_0001.vtu, ...; or a grid file NAME.vtu that one step is written to. Nothing is written
// yet.
void SetUpVtu(VtuState& run, const Store& s, const std::filesystem::path& pvd, bool allElements);
// Writes the current step of the store (ISTEP, TIME, NCODE, P, Q, VXE, VYE) as the next .vtu file.
// Store& because the nodal velocity average fills VXN and VYN.
void WriteVtuStep(VtuState& run, Store& s);
// Writes NAME.pvd listing every step file written, with timestep = the step's TIME, and puts the new
// folder and collection in place of the old.
void FinishVtu(VtuState& run, const Store& s);
// After a failure anywhere: removes the new folder and the collection's temporary file; the old
// collection stays as it was (for one grid file: the temporary file goes).
void AbandonVtu(VtuState& run) noexcept;
// Elements left out for a corner outside 1 ... NUMNP.
std::int64_t SkippedElements(const VtuState& run);
// What the run left out, as one warning text (empty: nothing): elements with a corner outside the
// mesh, the most active elements of one step without a hydraulic gradient (degenerate: NaN in the
// gradient arrays), and the steps that one grid file had no room for.
std::string VtuWarnings(const VtuState& run);

}  // namespace seep
