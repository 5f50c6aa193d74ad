// Headers as hostile post may carry them. Unfolding a part header folded over many short lines:
// 256 KB, 1 MB and 4 MB of folded lines read by the MIME decoder. The time per line must
// stay flat. Python's email package parses the same part in the same run; before timing,
// the value we keep must be the start of the value Python unfolds (we keep the header's
// first 10,000 lines and read the rest without keeping it).

#include "net/Netheadercoder.h"
#include "net/Netmailtypes.h"
#include "net/Tnetmessagecodermime.h"
#include "net/Tnetreadmemorystream.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

struct TFoldedPart {
  std::string Text;   // the part: its header, a blank line and a body line
  int64_t Lines = 0;  // folded lines of the header
};

TFoldedPart FoldedPart(size_t bytes) {
  TFoldedPart part;
  part.Text = "Content-Type: text/plain\r\nX-Folded: start\r\n";
  while (part.Text.size() < bytes) {
    part.Text += " w" + std::to_string(part.Lines % 1000) + "\r\n";
    ++part.Lines;
  }
  part.Text += "\r\nbody\r\n";
  return part;
}

std::string Unfolded(const std::string& text) {
  TNetMessageDecoderMIME decoder(nullptr);
  auto* source = new TNetReadMemoryStream;
  source->SetMemory(text.data(), static_cast<int64_t>(text.size()));
  decoder.SetSourceStream(source);
  decoder.ReadHeader();
  return decoder.Headers()->Values("X-Folded");
}

// Python's value with its folds made single blanks, and its parse time in seconds.
bool PythonUnfolded(const std::string& text, std::string& value, double& seconds) {
  char folder[] = "/tmp/quillaran-unfold-XXXXXX";
  if (!mkdtemp(folder)) return false;
  const std::string dir = folder, input = dir + "/part", output = dir + "/value", script = dir + "/parse.py";
  std::ofstream(input, std::ios::binary) << text;
  std::ofstream(script) << "import sys, time, email\n"
                           "data = open(sys.argv[1], 'rb').read()\n"
                           "t = time.perf_counter()\n"
                           "m = email.message_from_bytes(data)\n"
                           "v = ' '.join(str(m['X-Folded']).split())\n"
                           "t = time.perf_counter() - t\n"
                           "open(sys.argv[2], 'w').write(v)\n"
                           "print(t)\n";
  FILE* p = popen(("python3 '" + script + "' '" + input + "' '" + output + "'").c_str(), "r");
  bool ok = false;
  if (p) {
    ok = std::fscanf(p, "%lf", &seconds) == 1;
    ok = pclose(p) == 0 && ok;
  }
  std::ifstream in(output, std::ios::binary);
  value.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  std::system(("rm -rf '" + dir + "'").c_str());
  return ok;
}

void FoldedPartHeader(benchmark::State& state) {
  const TFoldedPart part = FoldedPart(static_cast<size_t>(state.range(0)) << 10);
  std::string python;
  double pythonSeconds = 0;
  const std::string ours = Unfolded(part.Text);
  if (!PythonUnfolded(part.Text, python, pythonSeconds)) {
    state.SkipWithError("python3 did not parse the part");
    return;
  }
  // Ours keeps the first lines: its value is the start of Python's, cut at a fold.
  if (ours.empty() || python.compare(0, ours.size(), ours) != 0 ||
      (python.size() > ours.size() && python[ours.size()] != ' ')) {
    state.SkipWithError("the unfolded value differs from Python's");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(Unfolded(part.Text));
  state.counters["lines"] = static_cast<double>(part.Lines);
  // Seconds of CPU per folded line ("42n" is 42 ns): flat when unfolding is linear.
  state.counters["per_line"] = benchmark::Counter(
      static_cast<double>(part.Lines), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["python_ms"] = pythonSeconds * 1000;
  state.counters["kept_lines"] = NetMaxHeaderLines;
}

BENCHMARK(FoldedPartHeader)->Arg(256)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);

// A header of many encoded words ("=?ISO-8859-1?Q?w?=", as a subject or an attachment's
// name may come) decoded; Python's email.header decodes the same text, checked equal first.
void EncodedWordsHeader(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(state.range(0)) << 10;
  std::string header;
  int64_t words = 0;
  while (header.size() < bytes) {
    header += (words ? "\r\n =?ISO-8859-1?Q?w" : "=?ISO-8859-1?Q?w") + std::to_string(words % 10) + "?=";
    ++words;
  }
  char folder[] = "/tmp/quillaran-words-XXXXXX";
  if (!mkdtemp(folder)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string dir = folder;
  std::ofstream(dir + "/header", std::ios::binary) << header;
  std::ofstream(dir + "/decode.py") << "import sys, time, email.header\n"
                                       "s = open(sys.argv[1], 'rb').read().decode('ascii')\n"
                                       "t = time.perf_counter()\n"
                                       "v = str(email.header.make_header(email.header.decode_header(s)))\n"
                                       "t = time.perf_counter() - t\n"
                                       "open(sys.argv[2], 'wb').write(v.encode('latin-1'))\n"
                                       "print(t)\n";
  double pythonSeconds = 0;
  FILE* p = popen(("python3 '" + dir + "/decode.py' '" + dir + "/header' '" + dir + "/value'").c_str(), "r");
  const bool ran = p && std::fscanf(p, "%lf", &pythonSeconds) == 1;
  if (p) pclose(p);
  std::ifstream in(dir + "/value", std::ios::binary);
  const std::string python((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::system(("rm -rf '" + dir + "'").c_str());
  if (!ran || DecodeHeader(header) != python) {
    state.SkipWithError("the decoded text differs from Python's");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(DecodeHeader(header));
  state.counters["words"] = static_cast<double>(words);
  state.counters["per_word"] = benchmark::Counter(
      static_cast<double>(words), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["python_ms"] = pythonSeconds * 1000;
}

BENCHMARK(EncodedWordsHeader)->Arg(64)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace
