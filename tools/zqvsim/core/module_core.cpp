#include "tools/zqvsim/core/module_core.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "tools/zqvsim/core/avr_machine.h"

namespace zqvsim {

namespace {

constexpr std::uint8_t kA1 = 0xA1, kA2 = 0xA2, kA3 = 0xA3, kA4 = 0xA4, kA5 = 0xA5, kA6 = 0xA6, kA7 = 0xA7, kA8 = 0xA8,
                       kA9 = 0xA9;

bool ParseNumber(const std::string& s, int* out) {
  if (s.empty()) return false;
  char* end = nullptr;
  long v = (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) ? std::strtol(s.c_str() + 2, &end, 16)
                                                                         : std::strtol(s.c_str(), &end, 10);
  if (!end || *end != '\0' || v < 0 || v > 0x7FFFFFFF) return false;
  *out = static_cast<int>(v);
  return true;
}

struct KindName {
  const char* name;
  FaultKind kind;
  bool needsArg;
};

constexpr KindName kKinds[] = {
    {"none", FaultKind::NoReply, false},
    {"late", FaultKind::Late, true},
    {"partial", FaultKind::Partial, true},
    {"badack", FaultKind::BadAck, false},
    {"status", FaultKind::Status, true},
    {"blockack", FaultKind::BlockAck, true},
    {"dropecho", FaultKind::DropEcho, false},
    {"third", FaultKind::Third, false},
    {"wrongsum", FaultKind::WrongSum, false},
    {"nosum", FaultKind::NoSum, false},
    {"unsupported", FaultKind::Unsupported, false},
    {"corrupt", FaultKind::Corrupt, true},
    {"stopafter", FaultKind::StopAfter, true},
    {"protected", FaultKind::Protected, false},
    {"length", FaultKind::Length, true},
    {"archive", FaultKind::Archive, true},
    {"badreply1", FaultKind::BadReply1, false},
    {"version", FaultKind::Version, true},
    {"delay4", FaultKind::Delay4, true},
};

bool IsSticky(FaultKind k) {
  return k == FaultKind::Corrupt || k == FaultKind::Protected || k == FaultKind::Length || k == FaultKind::Archive ||
         k == FaultKind::Die;
}

int Group(int model) {
  if (model == 1 || model == 3 || model == 5) return 1;
  if (model == 2) return 2;
  return 3;
}

}  // namespace

std::optional<Fault> ParseFault(const std::string& text, std::string* error) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) {
    for (auto& c : w) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    words.push_back(w);
  }
  auto fail = [&](const std::string& why) -> std::optional<Fault> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (words.empty()) return fail("empty fault");
  Fault f;
  if (words[0] == "die") {
    if (words.size() != 2 || !ParseNumber(words[1], &f.arg)) return fail("usage: die BYTES");
    f.kind = FaultKind::Die;
    return f;
  }
  std::string c = words[0];
  if (c.rfind("0x", 0) == 0) c = c.substr(2);
  if (c.size() != 2 || c[0] != 'a' || c[1] < '1' || c[1] > '9') return fail("unknown command " + words[0]);
  f.command = static_cast<std::uint8_t>(0xA0 + (c[1] - '0'));
  if (words.size() < 2) return fail("missing fault kind");
  const KindName* kind = nullptr;
  for (const auto& k : kKinds)
    if (words[1] == k.name) kind = &k;
  if (!kind) return fail("unknown fault kind " + words[1]);
  f.kind = kind->kind;
  std::size_t i = 2;
  if (kind->needsArg) {
    if (i >= words.size() || !ParseNumber(words[i], &f.arg)) return fail("fault " + words[1] + " needs a number");
    ++i;
  }
  if (i < words.size() && words[i][0] == '*') {
    if (!ParseNumber(words[i].substr(1), &f.count)) return fail("bad count " + words[i]);
    ++i;
  }
  if (i != words.size()) return fail("unexpected " + words[i]);
  return f;
}

std::optional<BitArea> BitAreaOf(int model, char letter) {
  const int g = Group(model);
  switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'P':
      return BitArea{96, 128};
    case 'M':
      return g == 1 ? BitArea{271, 1024} : BitArea{243, 256};
    case 'F':
      return g == 1 ? BitArea{255, 128} : BitArea{235, 64};
    case 'S':
      return g == 1 ? BitArea{527, 256} : BitArea{307, 128};
    case 'K':
      return g == 1 ? BitArea{559, 512} : (g == 2 ? BitArea{323, 128} : BitArea{323, 512});
    default:
      return std::nullopt;
  }
}

ModuleCore::ModuleCore(Profile profile) : profile_(profile), program_(kProgramSize, 0xFF), data_(kDataSize, 0x00) {}

ModuleCore::~ModuleCore() = default;

bool ModuleCore::Executing() const { return running_ && machine_ && machine_->HasProgram() && !machine_->Halted(); }

void ModuleCore::Advance(Micros now) {
  if (!Executing()) {
    lastRun_ = std::max(lastRun_, now);
    return;
  }
  if (now <= lastRun_) return;
  const Micros span = std::min(now - lastRun_, kMaxCatchUp);
  lastRun_ = now;
  machine_->Run(static_cast<std::uint64_t>(span) * (AvrMachine::kClockHz / 1000000));
}

std::uint8_t ModuleCore::ReadData(std::uint32_t addr) const {
  addr &= kDataSize - 1;
  if (machine_ && machine_->HasProgram() && addr < machine_->DeviceEnd()) return machine_->ReadDevice(addr);
  return data_[addr];
}

void ModuleCore::WriteData(std::uint32_t addr, std::uint8_t value) {
  addr &= kDataSize - 1;
  if (machine_ && machine_->HasProgram() && addr < machine_->DeviceEnd())
    machine_->WriteDevice(addr, value);
  else
    data_[addr] = value;
}

std::array<std::uint8_t, 5> ModuleCore::Outputs() const {
  std::array<std::uint8_t, 5> out{};
  if (machine_ && machine_->HasProgram())
    for (int p = 0; p < 5; ++p) out[static_cast<std::size_t>(p)] = machine_->Outputs(p);
  return out;
}

// The program is the first L bytes of program memory, L from bytes 8 and 9 (low byte first),
// and all of it must have come with the last download.
bool ModuleCore::ProgramReady() const {
  if (downloads_ == 0 || stored_ < 10) return false;
  const std::size_t length = program_[8] | (program_[9] << 8);
  return length >= 10 && length <= stored_;
}

void ModuleCore::StartProgram(bool reset, Micros t) {
  lastRun_ = t;
  if (!ProgramReady()) return;  // never downloaded (or erased): nothing runs
  if (!machine_) {
    machine_ = std::make_unique<AvrMachine>();
    for (int p = 0; p < 5; ++p)
      for (int bit = 0; bit < 8; ++bit) machine_->SetInput(p, bit, (pins_[p] >> bit) & 1);
  }
  if (loadedDownload_ != downloads_ || !machine_->HasProgram()) {
    const std::size_t length = program_[8] | (program_[9] << 8);
    loadedDownload_ = -1;
    if (!machine_->Load(std::vector<std::uint8_t>(program_.begin(), program_.begin() + static_cast<long>(length))))
      return;
    loadedDownload_ = downloads_;
    // The keep area outlives the power-up; everything else starts cleared.
    auto [start, size] = KeepArea();
    for (int i = 0; i < size; ++i) machine_->WriteDevice(static_cast<std::uint32_t>(start + i), data_[start + i]);
  } else if (reset || !running_ || machine_->Halted()) {
    machine_->Reset();
  }
}

// A new download replaces the program: the processor's memory goes back to the module's own.
void ModuleCore::DropMachine() {
  if (machine_ && machine_->HasProgram()) {
    const std::uint32_t end = std::min<std::uint32_t>(machine_->DeviceEnd(), kDataSize);
    for (std::uint32_t a = 0; a < end; ++a) data_[a] = machine_->ReadDevice(a);
  }
  machine_.reset();
  loadedDownload_ = -1;
}

void ModuleCore::AddFault(const Fault& fault) {
  if (fault.kind == FaultKind::Die) {
    dieAfter_ = fault.arg;
    return;
  }
  faults_.push_back(fault);
}

void ModuleCore::ClearFaults() {
  faults_.clear();
  dieAfter_ = -1;
}

std::optional<Fault> ModuleCore::TakeFault(std::uint8_t command) {
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->command != command || IsSticky(it->kind)) continue;
    Fault f = *it;
    if (it->count > 0 && --it->count == 0) faults_.erase(it);
    return f;
  }
  return std::nullopt;
}

std::optional<int> ModuleCore::Sticky(FaultKind kind) const {
  for (const auto& f : faults_)
    if (f.kind == kind) return f.arg;
  return std::nullopt;
}

std::uint16_t ModuleCore::StoredSum() const {
  unsigned sum = 0;
  for (std::size_t i = 0; i < stored_; ++i) sum += program_[i];
  return static_cast<std::uint16_t>(sum);
}

std::pair<int, int> ModuleCore::KeepArea() const {
  BitArea k = *BitAreaOf(profile_.model, 'K');
  return {k.start, k.bits / 8};
}

bool ModuleCore::SetInput(const std::string& device, bool on, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (device.size() < 4) return fail("bad device " + device);
  auto area = BitAreaOf(profile_.model, device[0]);
  auto colon = device.find(':');
  if (!area || colon == std::string::npos) return fail("bad device " + device);
  int word = 0, bit = 0;
  if (!ParseNumber(device.substr(1, colon - 1), &word) || !ParseNumber(device.substr(colon + 1), &bit) || bit > 7)
    return fail("bad device " + device);
  if (word * 8 + bit >= area->bits) return fail("device outside its area " + device);
  const bool pin = std::toupper(static_cast<unsigned char>(device[0])) == 'P' && word < 5;
  if (pin) {
    // Port words are driven on the processor's pins; the program reads them into P.
    pins_[word] = static_cast<std::uint8_t>(on ? (pins_[word] | (1u << bit)) : (pins_[word] & ~(1u << bit)));
    if (machine_) machine_->SetInput(word, bit, on);
    if (machine_ && machine_->HasProgram()) return true;
  }
  const std::uint32_t addr = static_cast<std::uint32_t>(area->start + word);
  const std::uint8_t byte = ReadData(addr);
  WriteData(addr, static_cast<std::uint8_t>(on ? (byte | (1u << bit)) : (byte & ~(1u << bit))));
  return true;
}

bool ModuleCore::Quiet() const {
  return (profile_.model == 1 && profile_.firmware >= 13) || (profile_.model == 4 && profile_.firmware >= 53);
}

bool ModuleCore::EchoActive(Echoing what) const {
  switch (profile_.echo) {
    case EchoData::On:
      return true;
    case EchoData::Off:
      return false;
    case EchoData::Auto:
      break;
  }
  const bool ext = profile_.extended;
  switch (what) {
    case Echoing::Download:
      return ext || !Quiet();
    case Echoing::ReadBack:
      return ext || (!Quiet() && a1Seen_);
    case Echoing::DeviceWord:
      return !Quiet() && (ext || a1Seen_);
  }
  return false;
}

void ModuleCore::Emit(std::vector<std::uint8_t> bytes, Micros t, bool answer) {
  Micros base = t + (answer ? profile_.replyDelay : 0);
  for (auto b : bytes) {
    Micros at = profile_.pace ? std::max(base, lastOut_) + kByteTime : base;
    lastOut_ = std::max(lastOut_, at);
    lastActivity_ = std::max(lastActivity_, at);
    auto pos = out_.end();
    while (pos != out_.begin() && std::prev(pos)->at > at) --pos;
    out_.insert(pos, Out{at, b});
  }
}

void ModuleCore::Answer(std::vector<std::uint8_t> bytes, Micros t) {
  if (!answered_ && fault_) {
    switch (fault_->kind) {
      case FaultKind::Late:
        t += static_cast<Micros>(fault_->arg) * 1000;
        break;
      case FaultKind::Partial:
        if (bytes.size() > static_cast<std::size_t>(fault_->arg)) bytes.resize(fault_->arg);
        break;
      case FaultKind::BadAck:
        std::fill(bytes.begin(), bytes.end(), 0x55);
        break;
      default:
        break;
    }
  }
  answered_ = true;
  Emit(std::move(bytes), t);
}

std::vector<std::uint8_t> ModuleCore::TakeOutput(Micros now) {
  std::vector<std::uint8_t> got;
  while (!out_.empty() && out_.front().at <= now) {
    got.push_back(out_.front().byte);
    out_.pop_front();
  }
  return got;
}

std::optional<Micros> ModuleCore::NextOutputTime() const {
  if (out_.empty()) return std::nullopt;
  return out_.front().at;
}

void ModuleCore::Feed(const std::uint8_t* bytes, std::size_t count, Micros now) {
  for (std::size_t i = 0; i < count; ++i) {
    Micros t = profile_.pace ? std::max(now, lastIn_) + kByteTime : now;
    lastIn_ = t;
    Step(bytes[i], t);
  }
}

std::vector<std::uint8_t> ModuleCore::WordEcho(int word) const {
  std::uint8_t hi = static_cast<std::uint8_t>(word >> 8), lo = static_cast<std::uint8_t>(word);
  if (profile_.extended) return {hi, lo, hi, lo};
  return {hi, lo};
}

std::uint8_t ModuleCore::ReadProgram(std::uint32_t addr) const {
  addr &= kProgramSize - 1;
  unsigned length = program_[8] | (program_[9] << 8);
  if (auto v = Sticky(FaultKind::Length)) {
    if (addr == 8) return static_cast<std::uint8_t>(*v);
    if (addr == 9) return static_cast<std::uint8_t>(*v >> 8);
    length = static_cast<unsigned>(*v) & 0xFFFF;
  }
  if (Sticky(FaultKind::Protected) && (addr == length || addr == length + 1)) return 0xFF;
  if (auto v = Sticky(FaultKind::Archive)) {
    if (addr == length) return static_cast<std::uint8_t>(*v);
    if (addr == length + 1) return static_cast<std::uint8_t>(*v >> 8);
  }
  std::uint8_t b = program_[addr];
  if (auto v = Sticky(FaultKind::Corrupt); v && static_cast<std::uint32_t>(*v) == addr) b ^= 0xFF;
  return b;
}

void ModuleCore::Step(std::uint8_t b, Micros t) {
  if (dead_) return;
  if (dieAfter_ >= 0) {
    if (dieAfter_ == 0) {
      dead_ = true;
      out_.clear();
      return;
    }
    --dieAfter_;
  }
  Advance(t);
  if (state_ != State::Idle && t - lastActivity_ > profile_.idleReset) state_ = State::Idle;
  lastActivity_ = std::max(lastActivity_, t);

  switch (state_) {
    case State::Idle:
      Command(b, t);
      return;
    case State::A4Addr: {
      param_.push_back(b);
      if (param_.size() < 2) return;
      const int addr = (param_[0] << 8) | param_[1];
      std::vector<std::uint8_t> reply;
      if (profile_.model != 10 && EchoActive(Echoing::DeviceWord)) reply = {param_[0], param_[1]};
      reply.push_back(ReadData(static_cast<std::uint32_t>(addr)));
      reply.push_back(ReadData(static_cast<std::uint32_t>(addr + 1)));
      Answer(reply, t);
      state_ = State::Idle;
      return;
    }
    case State::A1Count: {
      param_.push_back(b);
      if (param_.size() < 2) return;
      blocks_ = (param_[0] << 8) | param_[1];
      std::uint8_t status = Has(FaultKind::Status) ? static_cast<std::uint8_t>(fault_->arg) : kA2;
      std::vector<std::uint8_t> reply = WordEcho(blocks_);
      reply.push_back(status);
      Answer(reply, t);
      state_ = State::Idle;
      if (status == kA2) StartData(t);
      return;
    }
    case State::A1Data: {
      if (perByte_) {
        program_[pos_] = b;
        ++pos_;
        stored_ = pos_;
        Emit({b, kA1}, t);
        if (pos_ >= blockLen_) state_ = State::Idle;
        return;
      }
      const int k = pos_;
      if (unit_ == 1 || k % 2 == 0) {
        int off = k / unit_;
        if (reverse_) off = blockLen_ - 1 - off;
        const std::size_t addr = static_cast<std::size_t>(block_) * blockLen_ + off;
        if (addr < kProgramSize) {
          program_[addr] = b;
          stored_ = std::max(stored_, addr + 1);
        }
      }
      if (echoData_ && !(Has(FaultKind::DropEcho) && block_ == 0 && k == 0)) Emit({b}, t, false);
      if (++pos_ < blockLen_ * unit_) return;
      if (!(Has(FaultKind::BlockAck) && fault_->arg == block_)) Emit({kA1}, t);
      pos_ = 0;
      if (++block_ >= blocks_) state_ = State::Idle;
      return;
    }
    case State::A2End:
    case State::A2Start: {
      param_.push_back(b);
      if (param_.size() < 2) return;
      const int word = (param_[0] << 8) | param_[1];
      param_.clear();
      std::vector<std::uint8_t> reply = WordEcho(word);
      reply.push_back(kA2);
      Emit(reply, t);
      if (state_ == State::A2End) {
        endWord_ = word;
        state_ = State::A2Start;
        return;
      }
      startWord_ = word;
      toFetch_ = 2 * (endWord_ - startWord_);
      fetched_ = 0;
      state_ = toFetch_ > 0 ? State::A2Fetch : State::Idle;
      return;
    }
    case State::A2Fetch: {
      const bool silent = Has(FaultKind::StopAfter) && fetched_ >= fault_->arg;
      if (!silent) {
        std::vector<std::uint8_t> reply;
        if (EchoActive(Echoing::ReadBack) && !(Has(FaultKind::DropEcho) && fetched_ == 0)) reply.push_back(b);
        reply.push_back(ReadProgram(static_cast<std::uint32_t>(2 * startWord_ + fetched_)));
        Emit(reply, t);
      }
      if (++fetched_ >= toFetch_) state_ = State::Idle;
      return;
    }
    case State::A8Count: {
      param_.push_back(b);
      if (param_.size() < 2) return;
      const int words = (param_[0] << 8) | param_[1];
      Emit(WordEcho(words), t);
      if (!Has(FaultKind::NoSum)) {
        unsigned sum = 0;
        const std::size_t n = std::min<std::size_t>(2u * words, kProgramSize);
        for (std::size_t i = 0; i < n; ++i) sum += program_[i];
        if (Has(FaultKind::WrongSum)) ++sum;
        Emit({static_cast<std::uint8_t>(sum >> 8), static_cast<std::uint8_t>(sum)}, t + 10000);
      }
      state_ = State::Idle;
      return;
    }
    case State::A9Param: {
      param_.push_back(b);
      if (param_.size() < 2) return;
      auto [start, size] = KeepArea();
      for (int i = 0; i < size; ++i) WriteData(static_cast<std::uint32_t>(start + i), 0);
      std::vector<std::uint8_t> reply = WordEcho((param_[0] << 8) | param_[1]);
      reply.push_back(kA9);
      reply.push_back(kA9);
      Emit(reply, t + 5000);
      state_ = State::Idle;
      return;
    }
  }
}

void ModuleCore::StartData(Micros t) {
  perByte_ = false;
  reverse_ = false;
  echoData_ = false;
  block_ = 0;
  pos_ = 0;
  switch (profile_.model) {
    case 1:
    case 3:
    case 5:
      blockLen_ = 256;
      unit_ = 2;
      reverse_ = profile_.firmware < 12;
      echoData_ = profile_.firmware < 12 || EchoActive(Echoing::Download);
      break;
    case 4:
      blockLen_ = 128;
      unit_ = 2;
      echoData_ = EchoActive(Echoing::Download);
      break;
    case 10:
      blockLen_ = 128;
      unit_ = 1;
      break;
    case 2:
      perByte_ = true;
      unit_ = 1;
      blockLen_ = std::min<int>(2 * blocks_, static_cast<int>(kProgramSize));
      if (blockLen_ > 0) state_ = State::A1Data;
      return;
    default:
      return;
  }
  if (blocks_ > 0) state_ = State::A1Data;
}

void ModuleCore::Command(std::uint8_t b, Micros t) {
  if (b < kA1 || b > kA9) return;
  if (b == kA8 && a8Skip_ > 0) {
    --a8Skip_;
    return;
  }
  command_ = b;
  answered_ = false;
  param_.clear();
  fault_ = TakeFault(b);
  if (Has(FaultKind::NoReply)) return;
  const bool ext = profile_.extended;
  switch (b) {
    case kA3: {
      const std::uint8_t v = static_cast<std::uint8_t>(Has(FaultKind::Version) ? fault_->arg : profile_.firmware);
      std::vector<std::uint8_t> reply =
          ext ? std::vector<std::uint8_t>{kA3, kA3, kA3, v} : std::vector<std::uint8_t>{kA3, kA3, v};
      if (Has(FaultKind::BadReply1)) reply[1] = 0x00;
      if (ext && Has(FaultKind::Delay4)) {
        reply.pop_back();
        Answer(reply, t);
        Emit({v}, t + static_cast<Micros>(fault_->arg) * 1000);
      } else {
        Answer(reply, t);
      }
      return;
    }
    case kA5:
    case kA6:
    case kA7: {
      std::vector<std::uint8_t> reply{b, b};
      if (ext && profile_.thirdRunAck) reply.push_back(b);
      Answer(reply, t);
      if (b == kA7) {
        running_ = false;
      } else {
        StartProgram(b == kA6, t);
        running_ = true;
        if (b == kA6) ++resets_;
      }
      return;
    }
    case kA4:
      if (profile_.model != 10) Answer({kA4, kA4}, t);
      state_ = State::A4Addr;
      return;
    case kA1:
      a1Seen_ = true;
      // The download command erases the module at once: the program comes off the processor
      // and the module stands still until a run command starts what is written next, also
      // when the download goes no further.
      DropMachine();
      running_ = false;
      ++downloads_;
      std::fill(program_.begin(), program_.end(), 0xFF);
      stored_ = 0;
      Answer(ext ? std::vector<std::uint8_t>{kA1, kA1, kA1} : std::vector<std::uint8_t>{kA1, kA1}, t);
      state_ = State::A1Count;
      return;
    case kA2:
      Answer(ext ? std::vector<std::uint8_t>{kA2, kA2, kA2} : std::vector<std::uint8_t>{kA2, kA2}, t);
      state_ = State::A2End;
      return;
    case kA8:
      if (Has(FaultKind::Third)) {
        a8Skip_ = 1;  // this one and the next go unanswered
        return;
      }
      Answer({kA8, kA8}, t);
      state_ = State::A8Count;
      return;
    case kA9:
      if (Has(FaultKind::Unsupported)) {
        Answer({0x00, 0x00}, t);
        return;
      }
      Answer(ext ? std::vector<std::uint8_t>{kA9, kA9, kA9} : std::vector<std::uint8_t>{kA9, kA9}, t);
      state_ = State::A9Param;
      return;
    default:
      return;
  }
}

}  // namespace zqvsim
