#include "usb/sim/topology_file.h"

#include <cstdlib>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>
#include <string_view>
#include <vector>

namespace {

struct ParseError {
  std::string message;
};

// A number in decimal, or in hex with 0x, no larger than `max`.
std::uint32_t Number(const std::string& text, std::uint32_t max, const char* what) {
  std::size_t digits = 0;
  unsigned long long value = 0;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  for (std::size_t i = hex ? 2 : 0; i < text.size(); ++i, ++digits) {
    const char c = text[i];
    unsigned d;
    if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
    else if (hex && c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
    else throw ParseError{std::string(what) + " \"" + text + "\" is not a number"};
    value = value * (hex ? 16 : 10) + d;
    if (value > max) throw ParseError{std::string(what) + " " + text + " is above " + std::to_string(max)};
  }
  if (digits == 0) throw ParseError{std::string(what) + " \"" + text + "\" is not a number"};
  return static_cast<std::uint32_t>(value);
}

// The options after a line's fixed words: key=value, or the bare word "unterminated".
struct Options {
  std::optional<std::uint32_t> status, ports, namelen, loop, interfaces;
  bool unterminated = false;
  bool noLegacyName = false;  // hcd=none
  bool noInterface = false;   // interface=none
  std::vector<std::string> fails;
};

// The value of "hcd=" and "interface=": only "none", the default being a name of each kind.
bool None(const std::string& key, const std::string& value) {
  if (value != "none") throw ParseError{"\"" + key + "\" takes only \"none\""};
  return true;
}

bool Has(const std::vector<std::string>& list, std::string_view word) {
  for (const std::string& item : list)
    if (item == word) return true;
  return false;
}

Options ReadOptions(const std::vector<std::string>& words, std::size_t first,
                    const std::vector<std::string>& allowed, const std::vector<std::string>& failable) {
  Options options;
  for (std::size_t i = first; i < words.size(); ++i) {
    const std::string& word = words[i];
    const std::size_t eq = word.find('=');
    const std::string key = word.substr(0, eq);
    if (!Has(allowed, key)) throw ParseError{"\"" + word + "\" is not allowed here"};
    if (key == "unterminated") {
      if (eq != std::string::npos) throw ParseError{"\"unterminated\" takes no value"};
      options.unterminated = true;
      continue;
    }
    if (eq == std::string::npos) throw ParseError{"\"" + key + "\" needs a value"};
    const std::string value = word.substr(eq + 1);
    if (key == "status") options.status = Number(value, 0xFFFFFFFFu, "status");
    else if (key == "ports") options.ports = Number(value, 255, "port count");
    else if (key == "namelen") options.namelen = Number(value, 0xFFFFFFFFu, "namelen");
    else if (key == "loop") options.loop = Number(value, 255, "loop");
    else if (key == "interfaces") options.interfaces = Number(value, 8, "interface count");
    else if (key == "hcd") options.noLegacyName = None(key, value);
    else if (key == "interface") options.noInterface = None(key, value);
    else if (key == "fail") {
      std::stringstream list(value);
      std::string item;
      while (std::getline(list, item, ',')) {
        if (!Has(failable, item)) throw ParseError{"\"fail=" + item + "\" is not allowed here"};
        options.fails.push_back(item);
      }
      if (options.fails.empty()) throw ParseError{"\"fail\" needs a value"};
    }
  }
  return options;
}

void ApplyNameOptions(const Options& options, SimFaults& faults) {
  faults.name = Has(options.fails, "name");
  faults.name2 = Has(options.fails, "name2");
  faults.info = Has(options.fails, "info");
  faults.unterminated = options.unterminated;
  faults.actualLength = options.namelen;
}

// levels[d]: the hub that lines at indentation d + 1 belong to.
using Levels = std::vector<SimHub*>;

// A line's words without its comment, and its indentation in levels.
struct Line {
  std::size_t level = 0;
  std::vector<std::string> words;
};

// False for a blank or comment line.
bool SplitLine(std::string text, Line& line) {
  if (!text.empty() && text.back() == '\r') text.pop_back();
  std::size_t indent = 0;
  while (indent < text.size() && text[indent] == ' ') ++indent;
  if (indent < text.size() && text[indent] == '\t') throw ParseError{"indent with spaces, not tabs"};
  const std::size_t hash = text.find('#');
  std::istringstream rest(text.substr(0, hash));
  line.words.clear();
  for (std::string word; rest >> word;) line.words.push_back(word);
  if (line.words.empty()) return false;
  if (indent % 2 != 0) throw ParseError{"indentation is two blanks per level"};
  line.level = indent / 2;
  return true;
}

void AddController(const Line& line, UsbSimulator& sim, Levels& levels) {
  const std::vector<std::string>& words = line.words;
  if (line.level != 0) throw ParseError{"\"controller\" stands at the top level"};
  if (words.size() < 2) throw ParseError{"\"controller\" needs its number"};
  const std::uint32_t n = Number(words[1], 255, "controller number");
  if (sim.FindController(n)) throw ParseError{"controller " + words[1] + " is already there"};
  const Options options =
      ReadOptions(words, 2,
                  {"ports", "fail", "namelen", "unterminated", "hcd", "interface", "interfaces"},
                  {"open", "hubopen", "info", "name", "name2", "list"});
  if (options.noInterface && options.interfaces)
    throw ParseError{"\"interface=none\" and \"interfaces=\" contradict each other"};
  SimController& controller = sim.AddController(n);
  controller.legacyName = controller.legacyName && !options.noLegacyName;
  controller.interfaces = options.noInterface ? 0 : options.interfaces.value_or(1);
  if (Has(options.fails, "list")) sim.SetListFails(true);
  controller.openFails = Has(options.fails, "open");
  controller.root.faults.open = Has(options.fails, "hubopen");
  ApplyNameOptions(options, controller.root.faults);
  controller.root.portCount = options.ports;
  levels.assign(1, &controller.root);
}

// The hub a port line at `level` belongs to; the levels below it are closed.
SimHub& PortParent(std::size_t level, Levels& levels) {
  if (level == 0 || levels.empty())
    throw ParseError{"\"port\" stands under a controller or a hub"};
  if (level > levels.size()) throw ParseError{"indented deeper than the line above allows"};
  levels.resize(level);
  return *levels[level - 1];
}

std::uint32_t PortNumber(const std::string& word, const SimHub& parent) {
  const std::uint32_t k = Number(word, 255, "port number");
  if (k == 0) throw ParseError{"ports are counted from 1"};
  if (parent.ports.count(k)) throw ParseError{"port " + word + " is already there"};
  if (parent.portCount && k > *parent.portCount)
    throw ParseError{"port " + word + " is above the hub's ports=" + std::to_string(*parent.portCount)};
  return k;
}

void AddEmptyPort(const std::vector<std::string>& words, std::uint32_t k, SimHub& parent) {
  const Options options = ReadOptions(words, 3, {"status", "fail"}, {"query"});
  SimPort& port = parent.AddEmpty(k);
  port.status = options.status.value_or(0);
  port.queryFails = Has(options.fails, "query");
}

void AddDevicePort(const std::vector<std::string>& words, std::uint32_t k, std::uint16_t vid,
                   std::uint16_t pid, SimHub& parent) {
  const Options options = ReadOptions(words, 5, {"status", "fail"}, {"query"});
  SimPort& port = parent.AddDevice(k, vid, pid, options.status.value_or(1));
  port.queryFails = Has(options.fails, "query");
}

SimHub& AddHubPort(const Line& line, std::uint32_t k, std::uint16_t vid, std::uint16_t pid,
                   SimHub& parent) {
  const Options options =
      ReadOptions(line.words, 5, {"status", "ports", "fail", "namelen", "unterminated", "loop"},
                  {"query", "open", "info", "name", "name2"});
  SimHub& hub = parent.AddHub(k, vid, pid, options.status.value_or(1));
  hub.seat->queryFails = Has(options.fails, "query");
  hub.faults.open = Has(options.fails, "open");
  ApplyNameOptions(options, hub.faults);
  hub.portCount = options.ports;
  if (options.loop) {
    if (*options.loop == 0 || *options.loop > line.level)
      throw ParseError{"loop=" + std::to_string(*options.loop) + " leads above the root hub"};
    hub.faults.loop = *options.loop;
  }
  return hub;
}

void AddPort(const Line& line, Levels& levels) {
  const std::vector<std::string>& words = line.words;
  SimHub& parent = PortParent(line.level, levels);
  if (words.size() < 3) throw ParseError{"\"port\" needs its number and what is on it"};
  const std::uint32_t k = PortNumber(words[1], parent);
  const std::string& kind = words[2];
  if (kind == "empty") {
    AddEmptyPort(words, k, parent);
    return;
  }
  if (kind != "device" && kind != "hub")
    throw ParseError{"a port holds \"empty\", \"device\" or \"hub\", not \"" + kind + "\""};
  if (words.size() < 5) throw ParseError{"\"" + kind + "\" needs a vendor and a product id"};
  const auto vid = static_cast<std::uint16_t>(Number(words[3], 0xFFFF, "vendor id"));
  const auto pid = static_cast<std::uint16_t>(Number(words[4], 0xFFFF, "product id"));
  if (kind == "device")
    AddDevicePort(words, k, vid, pid, parent);
  else
    levels.push_back(&AddHubPort(line, k, vid, pid, parent));
}

// Reads the lines into `sim`; throws ParseError with the line number in `lineNumber`.
void Parse(std::istream& text, UsbSimulator& sim, int& lineNumber) {
  Levels levels;
  Line line;
  for (std::string raw; std::getline(text, raw);) {
    ++lineNumber;
    if (!SplitLine(raw, line)) continue;  // blank or comment
    const std::string& first = line.words[0];
    if (first == "controller") AddController(line, sim, levels);
    else if (first == "port") AddPort(line, levels);
    else throw ParseError{"unknown word \"" + first + "\""};
  }
}

}  // namespace

bool LoadTopology(std::istream& text, const std::string& source, UsbSimulator& sim,
                  std::ostream& errors) {
  int lineNumber = 0;
  try {
    Parse(text, sim, lineNumber);
  } catch (const ParseError& error) {
    errors << source << ":" << lineNumber << ": " << error.message << "\n";
    sim.RemoveAllControllers();
    return false;
  }
  return true;
}

bool LoadTopologyFile(const std::string& path, UsbSimulator& sim, std::ostream& errors) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    errors << path << ":0: cannot read the topology file\n";
    sim.RemoveAllControllers();
    return false;
  }
  return LoadTopology(file, path, sim, errors);
}
