#include "document/Snapshot.h"

#include <algorithm>
#include <cstring>

#include "document/CommitJournal.h"
#include "platform/PendingFile.h"

namespace qlm {
namespace {

constexpr std::uint64_t kMaxOffset = 0xFFFFFFFFull;
// Width or height of a cut-out beyond any screen.
constexpr int kMaxCutOutSide = 1 << 15;
constexpr std::string_view kTooLarge = "the file cannot grow beyond 4 GB";
constexpr std::string_view kEndsEarly = "the file ends early";

bool readsWhole(File& file, std::uint64_t offset, void* data, std::size_t size) {
  Result<std::size_t> got = file.readAt(offset, data, size);
  return got && *got == size;
}

std::string rolloverPath(const std::string& path) {
  std::string base = path.size() >= 4 ? path.substr(0, path.size() - 4) : path;
  return base + "x.qlm";
}

std::string printable(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  }
  return text;
}

// The grey version of a 32-bit picture, as shown when colours are off.
void makeGrey(const Picture& source, Picture& display) {
  display = source;
  for (std::size_t i = 0; i + 3 < display.pixels.size(); i += 4) {
    auto grey = static_cast<std::uint8_t>((display.pixels[i] + display.pixels[i + 1] + display.pixels[i + 2]) / 3);
    display.pixels[i] = display.pixels[i + 1] = display.pixels[i + 2] = grey;
  }
}

}  // namespace

Snapshot::Snapshot(FileSystem& fs) : m_fs(fs), m_table(QlmTable::empty()) { m_table.setCount(1); }

Snapshot::~Snapshot() = default;

bool Snapshot::fail(std::string message) {
  m_message = std::move(message);
  return false;
}

std::string Snapshot::damaged(const std::string& reason) const {
  return "The file " + m_path + " is damaged: " + reason + ".";
}

std::string Snapshot::damagedLine(int i, const std::string& reason) const {
  return "The file " + m_path + " is damaged at line " + std::to_string(i + 1) + ": " + reason + ".";
}

void Snapshot::closeFile() {
  m_file.reset();
  m_blocks.reset();
  m_writing = false;
}

// Opens and locks the file behind `path`, again if another program replaced
// it while this one waited for the lock.
Outcome Snapshot::openLocked(const std::string& path, LockKind kind) {
  m_path = path;
  m_target = m_fs.resolve(path);
  OpenMode mode = kind == LockKind::Shared ? OpenMode::Read : OpenMode::Create;
  for (int attempt = 0; attempt < 10; ++attempt) {
    auto opened = m_fs.open(m_target, mode);
    m_file = opened ? std::move(*opened) : nullptr;
    if (!m_file) return Outcome::failure("Cannot open " + path + ": " + opened.error());
    if (Outcome locked = m_file->lock(kind); !locked) {
      closeFile();
      return Outcome::failure("Cannot use " + path + ": " + locked.message);
    }
    auto held = m_file->id();
    if (held && held == m_fs.id(m_target)) return Outcome::success();
  }
  closeFile();
  return Outcome::failure("Cannot use " + path + ": it keeps being replaced");
}

Outcome Snapshot::loadTable(const std::string& path) {
  auto size = m_file->size();
  if (!size) return Outcome::failure("Cannot read " + path + ": " + size.error());
  std::vector<std::uint8_t> bytes(kTableSize, 0);
  Result<std::size_t> got = m_file->readAt(0, bytes.data(), bytes.size());
  if (!got) return Outcome::failure("Cannot read " + path + ": " + got.error());
  if (*got < kHeaderSize) return Outcome::failure(damaged("it is too short to be a document"));
  m_table = QlmTable::fromBytes(std::span<const std::uint8_t, kTableSize>(bytes.data(), kTableSize));
  if (!m_table.hasFormatId()) {
    return Outcome::failure("Quillmote Version :" + std::string(kFormatId) + "\nFormat du fichier " + path +
                           " incompatible, \npour l'ouvrir utilisez une version " + printable(m_table.formatId()) +
                           ".x disponible sur " + std::string(kVendorAddress));
  }
  if (*got < kTableSize) return Outcome::failure(damaged("its record index is cut short"));
  if (!m_table.countInRange()) {
    return Outcome::failure(damaged("its record count " + std::to_string(m_table.count()) + " is out of range"));
  }
  m_blocks = std::make_unique<BlockMap>(m_table, *size);
  return Outcome::success();
}

// --- reading

bool Snapshot::openForReading(const std::string& path) {
  m_message.clear();
  if (m_file) return fail("Another file is open.");
  if (Outcome opened = openLocked(path, LockKind::Shared); !opened) return fail(opened.message);
  if (std::optional<Change> committed = readJournal(m_fs, m_target)) {
    m_file = withChangeApplied(std::move(m_file), std::move(*committed));
  }
  if (Outcome loaded = loadTable(path); !loaded) {
    closeFile();
    return fail(loaded.message);
  }
  m_readCount = 0;
  m_lastRead = -1;
  return true;
}

int Snapshot::readRecord(int i) {
  m_message.clear();
  if (!m_file || m_writing || !m_blocks) return 1;
  if (i < 0 || i >= m_table.count()) return 1;
  if (auto damage = m_blocks->recordDamage(i)) return (fail(damagedLine(i, *damage)), 1);
  std::uint32_t start = m_table.entry(i);
  ++m_readCount;
  RecordImage::Bytes bytes;
  if (!readsWhole(*m_file, start, bytes.data(), bytes.size())) {
    return (fail(damagedLine(i, "the record cannot be read")), 1);
  }
  m_record = RecordImage(bytes);
  m_lastRead = i;
  m_position = start + kRecordSize;
  m_blockEnd = m_blocks->blockEnd(start);
  return 0;
}

std::optional<PictureShape> Snapshot::pictureShape() {
  if (!m_file || m_lastRead < 0) return std::nullopt;
  std::array<std::uint8_t, kBmpHeadersSize> headers;
  if (m_blockEnd - m_position < kBmpHeadersSize ||
      !readsWhole(*m_file, m_position, headers.data(), headers.size())) {
    fail(damagedLine(m_lastRead, "its picture is missing"));
    return std::nullopt;
  }
  auto shape = decodeBmpHeaders(headers, m_blockEnd - m_position - kBmpHeadersSize);
  if (!shape) {
    fail(damagedLine(m_lastRead, shape.error()));
    return std::nullopt;
  }
  return *shape;
}

bool Snapshot::readPicture(bool colour) {
  m_message.clear();
  auto shape = pictureShape();
  if (!shape) return false;
  Picture picture;
  picture.width = shape->width;
  picture.height = shape->height;
  picture.bitsPerPixel = shape->bitsPerPixel;
  picture.pixels.resize(static_cast<std::size_t>(shape->pixelBytes));
  std::uint64_t at = m_position + kBmpHeadersSize;
  if (!readsWhole(*m_file, at, picture.pixels.data(), picture.pixels.size())) {
    return fail(damagedLine(m_lastRead, "its picture cannot be read"));
  }
  m_capture = std::move(picture);
  m_displayIsCapture = colour || m_capture.bitsPerPixel != 32;
  if (m_displayIsCapture) {
    m_display = Picture{};
  } else {
    makeGrey(m_capture, m_display);
  }
  return true;
}

bool Snapshot::closeReading() {
  if (!m_file || m_writing) return false;
  closeFile();
  return true;
}

// --- appending

Outcome Snapshot::initialiseEmpty(const std::string& path) {
  PendingFile pending(m_fs, m_target);
  QlmTable empty = QlmTable::empty();
  if (pending.file()) {
    if (Outcome written = pending.file()->writeAt(0, empty.bytes().data(), empty.bytes().size()); !written) {
      return Outcome::failure("Cannot write " + path + ": " + written.message);
    }
  }
  return pending.publish(PendingFile::Naming::Replace, m_file->permissions());
}

bool Snapshot::beginAppend(std::string& path) { return openWriter(path, true); }

// Only appends move on to the rollover file; the other changes are for the
// document's own file, however large it is.
bool Snapshot::openWriter(std::string& path, bool rollover) {
  m_message.clear();
  if (m_file) return fail("Another file is open.");
  for (;;) {
    if (Outcome opened = openLocked(path, LockKind::Exclusive); !opened) return fail(opened.message);
    if (Outcome recovered = CommitJournal(m_fs, m_target).recover(*m_file); !recovered) {
      closeFile();
      return fail("Cannot repair " + path + ": " + recovered.message);
    }
    auto size = m_file->size();
    if (!size) {
      closeFile();
      return fail("Cannot read " + path + ": " + size.error());
    }
    if (*size == 0) {
      Outcome made = initialiseEmpty(path);
      closeFile();
      if (!made) return fail(made.message);
      continue;
    }
    m_sizeAtOpen = *size;
    if (!rollover || *size <= m_rolloverBytes) break;
    closeFile();
    path = rolloverPath(path);
  }
  Outcome loaded = loadTable(path);
  if (loaded) {
    if (auto damage = m_blocks->tableDamage()) loaded = Outcome::failure(damaged(*damage) + " It is left unchanged");
  }
  if (!loaded) {
    closeFile();
    return fail(loaded.message);
  }
  m_writing = true;
  m_writeFailed = false;
  m_position = m_table.endOfData();
  return true;
}

bool Snapshot::appendRecordImage(const RecordImage& record) {
  if (!m_file || !m_writing || m_writeFailed) return false;
  if (m_table.count() >= kMaxRecordsInFile) {
    m_writeFailed = true;
    return fail("The file " + m_path + " already holds " + std::to_string(kMaxRecordsInFile) +
                " records, the most a document can hold; the record was not added.");
  }
  RecordImage numbered = record;
  numbered.set(IntField::Number, m_table.count());
  Outcome written = m_position + kRecordSize > kMaxOffset
                        ? Outcome::failure(std::string(kTooLarge))
                        : m_file->writeAt(m_position, numbered.bytes().data(), kRecordSize);
  if (!written) {
    m_writeFailed = true;
    return fail("Cannot write " + m_path + ": " + written.message);
  }
  m_position += kRecordSize;
  return true;
}

bool Snapshot::appendPicture() {
  if (!m_file || !m_writing || m_writeFailed) return false;
  if (m_capture.empty() || m_capture.pixels.size() != m_capture.pixelBytes()) {
    m_writeFailed = true;
    return fail("There is no picture to store.");
  }
  std::vector<std::uint8_t> block = bmpFileBytes(m_capture);
  Outcome written = m_position + block.size() > kMaxOffset
                        ? Outcome::failure(std::string(kTooLarge))
                        : m_file->writeAt(m_position, block.data(), block.size());
  if (!written) {
    m_writeFailed = true;
    return fail("Cannot write " + m_path + ": " + written.message);
  }
  m_position += block.size();
  return true;
}

Outcome Snapshot::commitTable(const QlmTable& table) {
  Change change;
  change.patches.push_back({0, std::vector<std::uint8_t>(table.bytes().begin(), table.bytes().end())});
  change.newSize = table.endOfData();
  if (Outcome committed = CommitJournal(m_fs, m_target).commit(*m_file, change); !committed) {
    return Outcome::failure("Cannot write " + m_path + ": " + committed.message);
  }
  m_table = table;
  return Outcome::success();
}

// A change that failed leaves the file as it found it.
Outcome Snapshot::closeChange(Outcome done) {
  if (!done && m_file && m_writing) {
    auto size = m_file->size();
    if (!size || *size != m_sizeAtOpen) m_file->truncate(m_sizeAtOpen);
  }
  closeFile();
  return done;
}

bool Snapshot::finishAppend() {
  if (!m_file || !m_writing) return false;
  Outcome done;
  if (m_writeFailed) {
    done = Outcome::failure(m_message);
  } else if (m_position != m_table.endOfData()) {
    // The new block must be on disk before the index that points to it.
    Outcome synced = m_file->sync();
    done = synced ? commitTable(m_table.withAppended(static_cast<std::uint32_t>(m_position)))
                  : Outcome::failure("Cannot write " + m_path + ": " + synced.message);
  }
  if (!closeChange(done)) return fail(done.message);
  return true;
}

Outcome Snapshot::appendRecord(std::string& path, const RecordImage& record) {
  bool saved = beginAppend(path) && appendRecordImage(record) && appendPicture() && finishAppend();
  if (!saved && m_file) finishAppend();
  return saved ? Outcome::success() : Outcome::failure(m_message.empty() ? "Cannot write " + path : m_message);
}

// --- changes to a whole document file

Outcome Snapshot::copyRange(File& target, std::uint64_t targetOffset, std::uint64_t from, std::uint64_t to) {
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(kMoveChunkBytes, to - from)));
  while (from < to) {
    std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), to - from));
    Result<std::size_t> got = m_file->readAt(from, buffer.data(), chunk);
    if (!got || *got != chunk) {
      return Outcome::failure("Failed: reading " + m_path + ": " + (got ? std::string(kEndsEarly) : got.error()));
    }
    if (Outcome written = target.writeAt(targetOffset, buffer.data(), chunk); !written) {
      return Outcome::failure("Failed: writing beside " + m_path + ": " + written.message);
    }
    from += chunk;
    targetOffset += chunk;
  }
  return Outcome::success();
}

std::string Snapshot::noLine(int i) const {
  return "There is no line " + std::to_string(i + 1) + " in " + m_path + ".";
}

bool Snapshot::readRecordBytes(int i, RecordImage::Bytes& bytes) {
  return readsWhole(*m_file, m_table.entry(i), bytes.data(), bytes.size());
}

Result<int> Snapshot::locate(const RecordKey& key) {
  int n = m_table.count();
  if (!key.loaded) {
    if (key.line < 0 || key.line >= n) return Result<int>::failure(noLine(key.line));
    return key.line;
  }
  RecordImage::Bytes stored;
  auto unchanged = [&](int i) { return readRecordBytes(i, stored) && stored == key.loaded->bytes; };
  for (int i = 0; i < n; ++i) {
    if (m_table.entry(i) != key.loaded->block) continue;
    if (unchanged(i)) return i;
    break;
  }
  // A delete moves the blocks behind the deleted one; the record is then
  // known by its bytes, when no other record holds the same.
  int found = -1;
  for (int i = 0; i < n && found != -2; ++i) {
    if (unchanged(i)) found = found == -1 ? i : -2;
  }
  if (found >= 0) return found;
  return Result<int>::failure("Line " + std::to_string(key.line + 1) + " of " + m_path +
                              " was changed or removed by another program; reload the document.");
}

Outcome Snapshot::deleteRecord(const std::string& path, const RecordKey& key, PlayedRecords played) {
  std::string where = path;
  if (!openWriter(where, false)) return Outcome::failure(m_message);
  Result<int> k = locate(key);
  if (!k) return closeChange(Outcome::failure(k.error()));
  RecordImage::Bytes bytes;
  if (played == PlayedRecords::Refuse && (!readRecordBytes(*k, bytes) || RecordImage(bytes).get(IntField::Play) == 1)) {
    return closeChange(Outcome::failure(std::string(kDeleteRefused)));
  }
  std::uint32_t start = m_table.entry(*k);
  auto end = static_cast<std::uint32_t>(m_blocks->blockEnd(start));
  QlmTable next = m_table.withoutRecord(*k, end - start);

  // The remaining bytes go to a new file that replaces the old one in one rename.
  PendingFile pending(m_fs, m_target);
  Outcome done = pending.file() ? Outcome::success() : Outcome::failure(pending.creationError());
  if (done) {
    if (Outcome written = pending.file()->writeAt(0, next.bytes().data(), next.bytes().size()); !written) {
      done = Outcome::failure("Cannot write " + path + ": " + written.message);
    }
  }
  if (done) done = copyRange(*pending.file(), kDataStart, kDataStart, start);
  if (done) done = copyRange(*pending.file(), start, end, m_table.endOfData());
  if (done) done = pending.publish(PendingFile::Naming::Replace, m_file->permissions());
  if (done) m_table = next;
  return closeChange(done);
}

Outcome Snapshot::moveRecord(const std::string& path, const RecordKey& from, int to) {
  std::string where = path;
  if (!openWriter(where, false)) return Outcome::failure(m_message);
  Result<int> a = locate(from);
  if (!a) return closeChange(Outcome::failure(a.error()));
  if (to < 0 || to >= m_table.count()) return closeChange(Outcome::failure(noLine(to)));
  return closeChange(*a == to ? Outcome::success() : commitTable(m_table.withMove(*a, to)));
}

Outcome Snapshot::duplicateRecord(const std::string& path, const RecordKey& source, int position) {
  std::string where = path;
  if (!openWriter(where, false)) return Outcome::failure(m_message);
  int n = m_table.count();
  Result<int> s = locate(source);
  if (!s) return closeChange(Outcome::failure(s.error()));
  if (position < 0 || position > n) return closeChange(Outcome::failure(noLine(position)));
  if (n >= kMaxRecordsInFile) {
    return closeChange(Outcome::failure("The file " + path + " already holds " + std::to_string(kMaxRecordsInFile) +
                                        " records, the most a document can hold; the record was not copied."));
  }
  std::uint32_t start = m_table.entry(*s);
  std::uint64_t span = m_blocks->blockEnd(start) - start;
  std::uint64_t end = m_table.endOfData();
  if (end + span > kMaxOffset) {
    return closeChange(Outcome::failure("The file " + path + " cannot grow beyond 4 GB; the record was not copied."));
  }
  // Written behind the data first, so that the old index still describes the file.
  Outcome done = copyRange(*m_file, end, start, start + span);
  if (done) {
    Outcome synced = m_file->sync();
    if (!synced) done = Outcome::failure("Cannot write " + path + ": " + synced.message);
  }
  if (done) done = commitTable(m_table.withCopyAppended(position, static_cast<std::uint32_t>(span)));
  return closeChange(done);
}

Outcome Snapshot::updateRecord(const std::string& path, int line, const std::function<Outcome(RecordImage&)>& edit) {
  std::string where = path;
  if (!openWriter(where, false)) return Outcome::failure(m_message);
  if (line < 0 || line >= m_table.count()) return closeChange(Outcome::failure(noLine(line)));
  if (auto damage = m_blocks->recordDamage(line)) return closeChange(Outcome::failure(damagedLine(line, *damage)));
  RecordImage::Bytes stored;
  if (!readRecordBytes(line, stored)) return closeChange(Outcome::failure(damagedLine(line, "the record cannot be read")));
  RecordImage record(stored);
  Outcome done = edit(record);
  if (done && record.bytes() != stored) {
    Change change;
    change.patches.push_back({m_table.entry(line), std::vector<std::uint8_t>(record.bytes().begin(), record.bytes().end())});
    change.newSize = m_sizeAtOpen;
    done = CommitJournal(m_fs, m_target).commit(*m_file, change);
  }
  return closeChange(done);
}

Outcome Snapshot::writeRecords(const std::string& path, std::span<RecordEdit> edits) {
  std::string where = path;
  if (!openWriter(where, false)) return Outcome::failure(m_message);
  Change change;
  change.newSize = m_sizeAtOpen;
  std::vector<int> lines;
  for (const RecordEdit& edit : edits) {
    Result<int> line = locate(RecordKey(edit.line, edit.loaded));
    if (!line) return closeChange(Outcome::failure(line.error()));
    lines.push_back(*line);
    change.patches.push_back(
        {m_table.entry(*line), std::vector<std::uint8_t>(edit.record.bytes().begin(), edit.record.bytes().end())});
  }
  Outcome done;
  if (!change.patches.empty()) done = CommitJournal(m_fs, m_target).commit(*m_file, change);
  for (std::size_t i = 0; done && i < edits.size(); ++i) {
    edits[i].loaded = LoadedRecord{m_table.entry(lines[i]), edits[i].record.bytes()};
  }
  return closeChange(done);
}

Outcome Snapshot::copyDocument(const std::string& from, const std::string& to) {
  if (auto target = m_fs.id(to)) {
    if (target == m_fs.id(from)) return Outcome::success();
    return Outcome::failure("The file " + to + " already exists; choose another name.");
  }
  std::string where = from;
  if (!openWriter(where, false)) return Outcome::failure(m_message);
  // The copy gets its name only when it is complete, and never an existing one.
  PendingFile pending(m_fs, to);
  Outcome done = pending.file() ? Outcome::success() : Outcome::failure(pending.creationError());
  if (done) done = copyRange(*pending.file(), 0, 0, m_table.endOfData());
  if (done) done = pending.publish(PendingFile::Naming::NewName);
  closeFile();
  return done;
}

// --- picture slots

void Snapshot::setCapture(Picture picture) {
  m_capture = std::move(picture);
  m_displayIsCapture = true;
  m_display = Picture{};
}

Picture Snapshot::takeCapture() {
  Picture taken = std::move(m_capture);
  m_capture = Picture{};
  m_displayIsCapture = true;
  m_display = Picture{};
  return taken;
}

bool Snapshot::cutPicture(int x, int y, int w, int h) {
  if (m_capture.empty() || w <= 0 || h <= 0 || w > kMaxCutOutSide || h > kMaxCutOutSide) return false;
  if (m_capture.bitsPerPixel % 8 != 0) return false;
  Picture cut;
  cut.width = w;
  cut.height = h;
  cut.bitsPerPixel = m_capture.bitsPerPixel;
  cut.pixels.assign(cut.pixelBytes(), 0);
  std::size_t pixelSize = static_cast<std::size_t>(m_capture.bitsPerPixel / 8);
  int left = std::max(x, 0);
  int right = std::min<long long>(static_cast<long long>(x) + w, m_capture.width);
  for (int row = std::max(y, 0); row < std::min<long long>(static_cast<long long>(y) + h, m_capture.height); ++row) {
    if (left >= right) break;
    const std::uint8_t* source = m_capture.rowFromTop(row) + pixelSize * static_cast<std::size_t>(left);
    std::uint8_t* target = cut.rowFromTop(row - y) + pixelSize * static_cast<std::size_t>(left - x);
    std::memcpy(target, source, pixelSize * static_cast<std::size_t>(right - left));
  }
  m_cutOut = std::move(cut);
  return true;
}

}  // namespace qlm
