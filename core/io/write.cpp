#include "core/io/write.h"

#include <cstring>
#include <vector>

#include "core/io/edit.h"
#include "core/io/failure.h"

namespace seep::write_detail {
namespace {

// The record being built. One per thread, reused by every statement, so records cost no allocation once
// the buffer has grown to the longest record written.
class Record {
 public:
  // Reserves `n` characters at the current column and returns where they go; the edit routines' scratch
  // room lies behind them. Columns skipped by nX before them become blanks now, since something is
  // written beyond them.
  char* Field(std::size_t n) {
    const std::size_t need = length_ + skipped_ + n + kEditSlack;
    if (need > buffer_.size()) buffer_.resize(need > 2 * buffer_.size() ? need : 2 * buffer_.size());
    char* p = buffer_.data() + length_;
    if (skipped_ != 0) {
      std::memset(p, ' ', skipped_);
      p += skipped_;
      length_ += skipped_;
      skipped_ = 0;
    }
    length_ += n;
    return p;
  }
  void Append(const char* text, std::size_t n) {
    if (n == 0) return;
    char* p = Field(n);
    if (n <= 8) {
      for (std::size_t i = 0; i < n; ++i) p[i] = text[i];  // most literals are a comma or a blank
    } else {
      std::memcpy(p, text, n);
    }
  }
  void Skip(std::size_t n) { skipped_ += n; }
  std::size_t Length() const { return length_; }
  std::string_view View() const { return {buffer_.data(), length_}; }
  void Clear() { length_ = skipped_ = 0; }

 private:
  std::vector<char> buffer_ = std::vector<char>(256);
  std::size_t length_ = 0;
  std::size_t skipped_ = 0;
};

Record& ThisThreadRecord() {
  thread_local Record record;
  record.Clear();
  return record;
}

// One element of the output list.
struct Value {
  enum Kind : std::uint8_t { kInteger, kReal, kText } kind;
  bool single;  // a 4-byte real
  std::int32_t integer;
  std::int32_t length;  // text
  double real;
  const char* text;
};

// Walks the items element by element; arrays give one element at a time, empty arrays none.
class Cursor {
 public:
  Cursor(const Item* items, int count) : items_(items), count_(count) {}

  bool AtEnd() {
    while (index_ < count_) {
      const Item& it = items_[index_];
      if (!IsArray(it.kind) || element_ < it.count) return false;
      ++index_;
      element_ = 0;
    }
    return true;
  }

  // The next element; AtEnd() must have been false.
  Value Take() {
    const Item& it = items_[index_];
    Value v{};
    switch (it.kind) {
      case ItemKind::kInteger:
        v.kind = Value::kInteger;
        v.integer = it.integer;
        break;
      case ItemKind::kDouble:
        v.kind = Value::kReal;
        v.real = it.real;
        break;
      case ItemKind::kSingle:
        v.kind = Value::kReal;
        v.single = true;
        v.real = it.single;
        break;
      case ItemKind::kText:
        v.kind = Value::kText;
        v.text = it.text;
        v.length = it.count;
        break;
      case ItemKind::kIntegers:
        v.kind = Value::kInteger;
        v.integer = it.integers[element_];
        break;
      case ItemKind::kDoubles:
        v.kind = Value::kReal;
        v.real = it.doubles[element_];
        break;
      case ItemKind::kSingles:
        v.kind = Value::kReal;
        v.single = true;
        v.real = it.singles[element_];
        break;
      case ItemKind::kTexts:
        v.kind = Value::kText;
        v.text = it.text + static_cast<std::ptrdiff_t>(element_) * it.length;
        v.length = it.length;
        break;
    }
    if (IsArray(it.kind)) {
      ++element_;
    } else {
      ++index_;
    }
    return v;
  }

 private:
  static bool IsArray(ItemKind k) {
    return k == ItemKind::kIntegers || k == ItemKind::kDoubles || k == ItemKind::kSingles ||
           k == ItemKind::kTexts;
  }

  const Item* items_;
  int count_;
  int index_ = 0;
  int element_ = 0;
};

// Aw (or A when w is 0): w - n blanks and the text, or the leftmost w characters of it.
void EditText(Record& record, const Value& v, int w) {
  const std::size_t n = static_cast<std::size_t>(v.length);
  if (w == 0) {
    record.Append(v.text, n);
    return;
  }
  char* out = record.Field(static_cast<std::size_t>(w));
  const std::size_t width = static_cast<std::size_t>(w);
  if (width >= n) {
    std::memset(out, ' ', width - n);
    std::memcpy(out + (width - n), v.text, n);
  } else {
    std::memcpy(out, v.text, width);
  }
}

// One data edit descriptor applied to one element. Returns false when the field overflowed.
bool EditData(Io& io, int unit, Record& record, const FormatItem& f, const Value& v, int scale) {
  switch (f.op) {
    case FormatOp::kInteger:
      if (v.kind != Value::kInteger) io.Fail(kErrFormatMismatch, unit);
      return EditInteger(record.Field(f.width), v.integer, f.width);
    case FormatOp::kExponent:
      if (v.kind != Value::kReal) io.Fail(kErrFormatMismatch, unit);
      return EditExponent(record.Field(f.width), v.real, f.width, f.digits, scale);
    case FormatOp::kFixed:
      if (v.kind != Value::kReal) io.Fail(kErrFormatMismatch, unit);
      return EditFixed(record.Field(f.width), v.real, f.width, f.digits, scale);
    case FormatOp::kText:
      if (v.kind != Value::kText) io.Fail(kErrFormatMismatch, unit);
      EditText(record, v, f.width);
      return true;
    default:
      return true;
  }
}

void EndRecord(Io& io, int unit, Record& record) {
  io.PutRecord(unit, record.View());
  record.Clear();
}

// Runs the format until the items are used up; the caller writes the last record. Returns whether any
// field overflowed.
bool RunFormat(Io& io, int unit, const FormatView& format, Cursor& items, Record& record) {
  format_detail::GroupWalk groups;
  int scale = 0;
  bool overflow = false;
  int pc = 0;
  for (;;) {
    const FormatItem& f = format.items[pc];
    switch (f.op) {
      case FormatOp::kInteger:
      case FormatOp::kText:
      case FormatOp::kExponent:
      case FormatOp::kFixed:
        for (int r = 0; r < f.repeat; ++r) {
          if (items.AtEnd()) return overflow;
          if (!EditData(io, unit, record, f, items.Take(), scale)) overflow = true;
        }
        ++pc;
        break;
      case FormatOp::kLiteral:
        record.Append(format.text + f.width, f.digits);
        ++pc;
        break;
      case FormatOp::kSkip:
        record.Skip(f.width);
        ++pc;
        break;
      case FormatOp::kScale:
        scale = f.scale;
        ++pc;
        break;
      case FormatOp::kSlash:
        for (int r = 0; r < f.repeat; ++r) EndRecord(io, unit, record);
        ++pc;
        break;
      case FormatOp::kOpen:
        pc = groups.Open(pc, f.repeat);
        break;
      case FormatOp::kClose:
        pc = groups.Close(pc);
        break;
      case FormatOp::kEnd:
        if (items.AtEnd()) return overflow;
        // Reversion: a new record, and the last top-level group (or the whole format) again.
        EndRecord(io, unit, record);
        if (!format.reversionHasData) io.Fail(kErrNoDataEdit, unit);
        pc = format.reversion;
        break;
    }
  }
}

}  // namespace

bool EditStepField(Io& io, int unit, char* p, const LineStep& step, double x) {
  switch (step.op) {
    case FormatOp::kExponent:
      return EditExponent(p, x, step.width, step.digits, step.scale);
    case FormatOp::kFixed:
      return EditFixed(p, x, step.width, step.digits, step.scale);
    default:
      io.Fail(kErrFormatMismatch, unit);
  }
}

bool EditStepField(Io& io, int unit, char* p, const LineStep& step, std::int32_t v) {
  if (step.op != FormatOp::kInteger) io.Fail(kErrFormatMismatch, unit);
  return EditInteger(p, v, step.width);
}

bool EditStepField(Io& io, int unit, char* p, const LineStep& step, std::string_view text) {
  if (step.op != FormatOp::kText) io.Fail(kErrFormatMismatch, unit);
  const std::size_t n = text.size();
  const std::size_t w = step.width;
  if (w >= n) {
    std::memset(p, ' ', w - n);
    if (n != 0) std::memcpy(p + (w - n), text.data(), n);  // an empty text may have no data at all
  } else {
    std::memcpy(p, text.data(), w);
  }
  return true;
}

void WriteFormattedItems(Io& io, int unit, const FormatView& format, const Item* items, int count) {
  Record& record = ThisThreadRecord();
  Cursor cursor(items, count);
  const bool overflow = RunFormat(io, unit, format, cursor, record);
  EndRecord(io, unit, record);
  if (overflow) io.Warn(kErrOutputConversion, unit);
}

void WriteListItems(Io& io, int unit, const Item* items, int count) {
  Record& record = ThisThreadRecord();
  Cursor cursor(items, count);
  bool leadingBlank = true;  // the record's first text gets one blank in front
  // Starts a new record when `width` more columns do not fit the current one.
  auto makeRoom = [&](std::size_t width) {
    if (record.Length() != 0 && record.Length() + width > static_cast<std::size_t>(kListWidth)) {
      EndRecord(io, unit, record);
      leadingBlank = true;
    }
  };
  bool any = false;
  while (!cursor.AtEnd()) {
    const Value v = cursor.Take();
    any = true;
    switch (v.kind) {
      case Value::kInteger:
        makeRoom(kListIntegerWidth);
        EditListInteger(record.Field(kListIntegerWidth), v.integer);
        break;
      case Value::kReal: {
        const int w = v.single ? kListSingleWidth : kListDoubleWidth;
        makeRoom(static_cast<std::size_t>(w));
        EditListReal(record.Field(static_cast<std::size_t>(w)), v.real, v.single);
        break;
      }
      case Value::kText: {
        // A text is never split: when it does not fit, it begins the next record (and a text longer
        // than a whole record stands alone on its record).
        const std::size_t n = static_cast<std::size_t>(v.length);
        makeRoom(n + (leadingBlank ? 1 : 0));
        if (leadingBlank) {
          record.Append(" ", 1);
          leadingBlank = false;
        }
        record.Append(v.text, n);
        break;
      }
    }
  }
  if (!any) record.Append(" ", 1);
  EndRecord(io, unit, record);
}

}  // namespace seep::write_detail
