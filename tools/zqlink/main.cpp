// zqlink: links ZOLEX object modules into an Intel HEX file.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "link.h"
#include "platform/file_write.h"

namespace {

const char kUsage[] =
    "usage: zqlink [-Z NAME=START-END]... [-o OUT.HEX] OBJECT.r71...\n"
    "       zqlink --dump OBJECT.r71\n"
    "\n"
    "Links the modules of the object files: program modules always, library modules\n"
    "when they define a symbol still needed. Each -Z places a segment in the address\n"
    "range START-END (hexadecimal, inclusive); segments named in the same memory are\n"
    "placed one after the other in the order of the options. -o writes the program\n"
    "image as Intel HEX; without -o only the segment map is reported.\n"
    "--dump prints the records of an object file.\n";

bool read_file(const std::string& name, std::vector<uint8_t>& data) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return false;
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// The input that `output` names, the same file by device and inode (another spelling of its
// name, a symbolic or a hard link), or null when it is none of them.
const std::string* input_named_by(const std::string& output, const std::vector<std::string>& files) {
  struct stat out {};
  if (stat(output.c_str(), &out) != 0) return nullptr;
  for (const auto& f : files) {
    struct stat in {};
    if (stat(f.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino) return &f;
  }
  return nullptr;
}

int fail_usage(const std::string& message) {
  std::cerr << "zqlink: error: " << message << "\n" << kUsage;
  return 2;
}

int run_dump(const std::string& name) {
  std::vector<uint8_t> data;
  if (!read_file(name, data)) {
    std::cerr << "zqlink: error: cannot read \"" << name << "\"\n";
    return 1;
  }
  aq71::zolex::DecodeResult d = aq71::zolex::decode(data);
  if (!d.ok) {
    std::cerr << "zqlink: error: " << name << ": offset 0x" << std::hex << d.error_offset << std::dec << ": " << d.error
              << "\n";
    return 1;
  }
  zqlink::dump(d.object, std::cout);
  for (const auto& m : d.object.modules)
    if (!m.crc_ok()) return 1;
  return 0;
}

const char* kind_name(aq71::zolex::SegmentKind k) {
  switch (k) {
    case aq71::zolex::SegmentKind::Stack:
      return "STACK";
    case aq71::zolex::SegmentKind::Common:
      return "COMMON";
    default:
      return "RSEG";
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  if (args[0] == "--dump") {
    if (args.size() != 2) return fail_usage("--dump takes exactly one object file");
    return run_dump(args[1]);
  }

  std::vector<zqlink::Placement> placements;
  std::vector<std::string> files;
  std::string output;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("-Z", 0) == 0) {
      std::string range = a.size() > 2 ? a.substr(2) : (i + 1 < args.size() ? args[++i] : "");
      zqlink::Placement p;
      std::string error;
      if (!zqlink::parse_placement(range, p, error)) return fail_usage("-Z: " + error);
      placements.push_back(p);
    } else if (a == "-o") {
      if (i + 1 >= args.size() || !output.empty()) return fail_usage("-o takes one output file name");
      output = args[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      return fail_usage("unknown option \"" + a + "\"");
    } else {
      files.push_back(a);
    }
  }
  if (files.empty()) return fail_usage("no object file given");
  if (!output.empty()) {
    if (const std::string* input = input_named_by(output, files)) {
      std::cerr << "zqlink: error: output \"" << output << "\" is the input file \"" << *input
                << "\"; nothing written\n";
      return 1;
    }
  }

  // Nothing is removed on failure: the output is written only once the link has worked, and
  // a failed write leaves no part of it behind, so whatever the output names stays as it was
  // (the build batch removes the HEX file of an earlier build before it runs).
  std::vector<zqlink::InputFile> inputs;
  for (const auto& f : files) {
    zqlink::InputFile in{f, {}};
    if (!read_file(f, in.data)) {
      std::cerr << "zqlink: error: cannot read \"" << f << "\"\n";
      return 1;
    }
    inputs.push_back(std::move(in));
  }

  zqlink::LinkResult r = zqlink::link(inputs, placements, std::cerr);
  if (!r.ok) {
    std::cerr << "zqlink: " << (r.errors ? r.errors : 1) << " error(s), no output written\n";
    return 1;
  }
  if (!output.empty()) {
    // The build-file writer: a regular file is replaced whole (a reader never sees half a
    // file), a device or a FIFO is written into; a write that fails (also one past the
    // file-size limit, which then fails instead of ending zqlink by SIGXFSZ) leaves the
    // output as it was.
    if (!platform::WriteBuildFile(output, zqlink::intel_hex(r.image))) {
      std::cerr << "zqlink: error: cannot write \"" << output << "\": " << std::strerror(errno) << "\n";
      return 1;
    }
    return 0;
  }
  std::printf("modules:");
  for (const auto& m : r.loaded_modules) std::printf(" %s", m.c_str());
  std::printf("\n");
  for (const auto& s : r.segments)
    std::printf("segment %-20s %-6s %-4s %08X-%08X %u bytes\n", s.name.c_str(), kind_name(s.kind),
                s.code_space ? "code" : "data", s.start, s.size ? s.start + s.size - 1 : s.start, s.size);
  std::printf("image %zu bytes\n", r.image.size());
  return 0;
}
