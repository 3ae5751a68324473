// Conformance runner for ActionScript: plays each NAME.swf of a folder for
// its first frame and a number of frames more with the script engine and compares what its trace
// calls print with NAME.swf.trace, exactly. Prints the pass count; a
// missing folder is reported and counts as a pass of nothing.
//   trace_runner [folder] [--frames N] [--filter TEXT] [--verbose] [--show NAME]
//                [--disassemble NAME] [--jobs N]
//                [--dump DIR] (writes each movie's output to DIR/NAME.out)
#include <dirent.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "avm1/actions.h"
#include "avm1/clip.h"
#include "avm1/engine.h"
#include "core/player.h"
#include "runner_host.h"

namespace {

bool read_file(const std::string& path, std::string& out);

// Serves the movie's loads the way a browser serves a movie opened from a
// folder: names relative to the movie's folder are read from disk, and the
// answer (the data, or a failure for a missing file or a network address)
// arrives after the frame that asked.
struct FolderHost : conformance::RunnerHost {
  struct Answer {
    uint32_t request;
    bool ok;
    std::string data;
  };
  std::string folder;
  std::vector<Answer> answers;
  bool load(uint32_t request, const std::string& url, const std::string&,
            const std::string&) override {
    std::string path = url.substr(0, url.find_first_of("?#"));
    if (path.compare(0, 7, "file://") == 0) path = path.substr(7);
    bool local = !path.empty() && path.find(':') == std::string::npos &&
                 path.find("..") == std::string::npos && path[0] != '/';
    Answer a{request, false, std::string()};
    if (local) a.ok = read_file(folder + "/" + path, a.data);
    answers.push_back(std::move(a));
    return true;
  }
};

bool read_file(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

std::string play(const std::string& movie, const std::string& folder, int frames) {
  npfp::Player player;
  player.feed(reinterpret_cast<const uint8_t*>(movie.data()), movie.size());
  player.finish_stream();
  FolderHost host;
  host.folder = folder;
  avm1::Engine engine(player, host);
  double interval = 1000.0 / player.frame_rate();
  // The suite's player shows the first frame as the movie loads, then
  // advances the given number of frames.
  for (int i = 0; i <= frames && !host.quit; ++i) {
    player.advance();
    host.clock += interval;
    std::vector<FolderHost::Answer> answers;
    answers.swap(host.answers);
    for (const auto& a : answers) engine.load_finished(a.request, a.ok, a.data);
  }
  return host.output;
}

// Runs one movie in a child process, so that a crash or a hang costs only
// that movie. The child writes its trace into an unlinked temporary file.
struct Child {
  pid_t pid = -1;
  FILE* out = nullptr;
  size_t index = 0;
};

Child start_child(const std::string& movie, const std::string& folder, int frames, size_t index) {
  Child c;
  c.index = index;
  c.out = std::tmpfile();
  if (!c.out) return c;
  std::fflush(nullptr);
  c.pid = fork();
  if (c.pid == 0) {
    alarm(20);
    rlimit memory{2048ull << 20, 2048ull << 20};
    setrlimit(RLIMIT_AS, &memory);
    std::string out = play(movie, folder, frames);
    int fd = fileno(c.out);
    size_t at = 0;
    while (at < out.size()) {
      ssize_t n = write(fd, out.data() + at, out.size() - at);
      if (n <= 0) break;
      at += static_cast<size_t>(n);
    }
    _exit(0);
  }
  return c;
}

bool finish_child(Child& c, int status, std::string& output, std::string& failure) {
  output.clear();
  if (c.out) {
    std::rewind(c.out);
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, c.out)) > 0) output.append(buffer, n);
    std::fclose(c.out);
    c.out = nullptr;
  }
  if (c.pid < 0) {
    failure = "could not start";
    return false;
  }
  if (WIFSIGNALED(status)) {
    failure = std::string("killed by signal ") + std::to_string(WTERMSIG(status));
    return false;
  }
  return true;
}

void disassemble_movie(const std::string& movie) {
  npfp::Player player;
  player.feed(reinterpret_cast<const uint8_t*>(movie.data()), movie.size());
  player.finish_stream();
  const npfp::Movie& m = player.movie();
  std::cout << "version " << int(m.header.version) << " frames " << m.root.frames.size() << "\n";
  int version = m.header.version;
  auto dump_timeline = [version](const npfp::Timeline& t, const std::string& who) {
    for (size_t f = 0; f < t.frames.size(); ++f) {
      for (const auto& init : t.frames[f].init_actions) {
        std::cout << "== " << who << " frame " << f + 1 << " init actions for " << init.first
                  << "\n";
        std::cout << avm1::disassemble(init.second->data(), init.second->size());
      }
      for (const auto& c : t.frames[f].commands) {
        if (c.kind == npfp::DisplayCommand::place) {
          std::cout << "-- " << who << " frame " << f + 1 << " place depth " << c.command.depth
                    << (c.command.has_character ? " char " + std::to_string(c.command.character)
                                                : "")
                    << (c.command.has_name ? " name " + c.command.name : "")
                    << (c.command.clip_actions ? " with clip actions" : "") << "\n";
          if (c.command.clip_actions) {
            const std::vector<uint8_t>& bytes = *c.command.clip_actions;
            for (const auto& h : avm1::parse_clip_actions(bytes, version)) {
              std::cout << "   on events 0x" << std::hex << h.flags << std::dec << "\n";
              std::cout << avm1::disassemble(bytes.data() + h.start, h.size);
            }
          }
        } else {
          std::cout << "-- " << who << " frame " << f + 1 << " remove depth " << c.command.depth
                    << "\n";
        }
      }
      for (const auto& a : t.frames[f].actions) {
        std::cout << "== " << who << " frame " << f + 1 << " actions\n";
        std::cout << avm1::disassemble(a->data(), a->size());
      }
    }
  };
  dump_timeline(m.root, "root");
  for (const auto& c : m.characters)
    if (c.second.timeline) dump_timeline(*c.second.timeline, "sprite " + std::to_string(c.first));
  for (const auto& e : m.exports) std::cout << "export " << e.first << " = " << e.second << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = "/work/shared/swf-tests/trace";
  int frames = 10;
  std::string filter, show, disassemble;
  bool verbose = false;
  int parallel = 1;
  std::string dump;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--frames" && i + 1 < argc)
      frames = std::atoi(argv[++i]);
    else if (a == "--filter" && i + 1 < argc)
      filter = argv[++i];
    else if (a == "--show" && i + 1 < argc)
      show = argv[++i];
    else if (a == "--disassemble" && i + 1 < argc)
      disassemble = argv[++i];
    else if (a == "--verbose")
      verbose = true;
    else if (a == "--dump" && i + 1 < argc)
      dump = argv[++i];
    else if (a == "--jobs" && i + 1 < argc)
      parallel = std::max(1, std::atoi(argv[++i]));
    else
      folder = a;
  }
  if (!disassemble.empty()) {
    std::string movie;
    if (!read_file(folder + "/" + disassemble, movie)) return 1;
    disassemble_movie(movie);
    return 0;
  }
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    std::cout << "trace conformance: folder " << folder << " not found; nothing to run\n";
    return 0;
  }
  std::vector<std::string> names;
  while (dirent* e = readdir(dir)) {
    std::string n = e->d_name;
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".swf") == 0) names.push_back(n);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  struct Job {
    std::string name, expected, movie;
  };
  std::vector<Job> jobs;
  for (const std::string& name : names) {
    if (!filter.empty() && name.find(filter) == std::string::npos) continue;
    if (!show.empty() && name != show) continue;
    Job job;
    job.name = name;
    if (!read_file(folder + "/" + name + ".trace", job.expected)) continue;
    if (!read_file(folder + "/" + name, job.movie)) continue;
    jobs.push_back(std::move(job));
  }
  int total = static_cast<int>(jobs.size()), passed = 0;
  std::vector<std::string> lines(jobs.size());
  std::vector<Child> running;
  size_t next = 0;
  auto report = [&](Child& c, int status) {
    const Job& job = jobs[c.index];
    std::string output, failure;
    bool ran = finish_child(c, status, output, failure);
    bool ok = ran && output == job.expected;
    if (!dump.empty()) {
      std::ofstream(dump + "/" + job.name + ".out", std::ios::binary) << output;
    }
    if (ok) ++passed;
    if (!show.empty()) {
      std::cout << "---- expected\n" << job.expected << "---- got\n" << output;
      if (!ran) std::cout << "---- " << failure << "\n";
    } else if (verbose || !ran) {
      lines[c.index] =
          std::string(ok ? "PASS " : "FAIL ") + job.name + (ran ? "" : " (" + failure + ")") + "\n";
    }
  };
  while (next < jobs.size() || !running.empty()) {
    while (next < jobs.size() && static_cast<int>(running.size()) < parallel) {
      running.push_back(start_child(jobs[next].movie, folder, frames, next));
      ++next;
      if (running.back().pid < 0) {
        report(running.back(), 0);
        running.pop_back();
      }
    }
    if (running.empty()) continue;
    int status = 0;
    pid_t done = waitpid(-1, &status, 0);
    if (done < 0) break;
    for (size_t i = 0; i < running.size(); ++i)
      if (running[i].pid == done) {
        report(running[i], status);
        running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
  }
  for (const std::string& line : lines) std::cout << line;
  std::printf("trace conformance: %d of %d movies pass (%.1f%%)\n", passed, total,
              total ? 100.0 * passed / total : 0.0);
  return 0;
}
