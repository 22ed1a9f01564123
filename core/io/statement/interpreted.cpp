// The interpreted road of an output statement: the format's items walked one by one, with repeat
// groups, repeat counts and reversion, against an item list of any shape (arrays, text arrays).
#include <cstring>
#include <vector>

#include "core/io/failure.h"
#include "core/io/statement/field.h"
#include "core/io/statement/write.h"

namespace seep::statement_detail {
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
  EditValue Take() {
    const Item& it = items_[index_];
    EditValue v;
    switch (it.kind) {
      case ItemKind::kInteger:
        v.kind = EditValue::kInteger;
        v.integer = it.integer;
        break;
      case ItemKind::kDouble:
        v.kind = EditValue::kReal;
        v.real = it.real;
        break;
      case ItemKind::kSingle:
        v.kind = EditValue::kReal;
        v.single = true;
        v.real = it.single;
        break;
      case ItemKind::kText:
        v.kind = EditValue::kText;
        v.text = it.text;
        v.length = it.count;
        break;
      case ItemKind::kIntegers:
        v.kind = EditValue::kInteger;
        v.integer = it.integers[element_];
        break;
      case ItemKind::kDoubles:
        v.kind = EditValue::kReal;
        v.real = it.doubles[element_];
        break;
      case ItemKind::kSingles:
        v.kind = EditValue::kReal;
        v.single = true;
        v.real = it.singles[element_];
        break;
      case ItemKind::kTexts:
        v.kind = EditValue::kText;
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

void EndRecord(Io& io, int unit, Record& record) {
  io.PutRecord(unit, record.View());
  record.Clear();
}

// Runs the format until the items are used up; the caller writes the last record.
class Interpreter {
 public:
  Interpreter(Io& io, int unit, const FormatView& format, Cursor& items, Record& record)
      : io_(io), unit_(unit), format_(format), items_(items), record_(record) {}

  bool Literal(const FormatItem& f) {
    record_.Append(format_.text + f.text, f.length);
    return true;
  }
  bool Skip(int n) {
    record_.Skip(static_cast<std::size_t>(n));
    return true;
  }
  bool Data(const Field& field) {
    if (items_.AtEnd()) return false;
    const EditValue v = items_.Take();
    if (!EditField(io_, unit_, record_.Field(FieldWidth(field, v)), field, v)) overflow_ = true;
    return true;
  }
  bool Slash() {
    EndRecord(io_, unit_, record_);
    return true;
  }
  int End() {
    if (items_.AtEnd()) return -1;
    // Reversion: a new record, and the last top-level group (or the whole format) again.
    EndRecord(io_, unit_, record_);
    if (!format_.reversionHasData) io_.Fail(kErrNoDataEdit, unit_);
    return format_.reversion;
  }
  // Whether any field overflowed.
  bool Overflow() const { return overflow_; }

 private:
  Io& io_;
  int unit_;
  const FormatView& format_;
  Cursor& items_;
  Record& record_;
  bool overflow_ = false;
};

}  // namespace

void InterpretFormatted(Io& io, int unit, const FormatView& format, const Item* items, int count) {
  Record& record = ThisThreadRecord();
  Cursor cursor(items, count);
  Interpreter interpreter(io, unit, format, cursor, record);
  WalkFormat(format.items, interpreter);
  EndRecord(io, unit, record);
  if (interpreter.Overflow()) io.Warn(kErrOutputConversion, unit);
}

void InterpretList(Io& io, int unit, const Item* items, int count) {
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
    const EditValue v = cursor.Take();
    any = true;
    // A text is never split: when it does not fit, it begins the next record (and a text longer than a
    // whole record stands alone on its record).
    makeRoom(ListFieldWidth(v, leadingBlank));
    PutListField(record.Field(ListFieldWidth(v, leadingBlank)), v, leadingBlank);
  }
  if (!any) record.Append(" ", 1);
  EndRecord(io, unit, record);
}

}  // namespace seep::statement_detail
