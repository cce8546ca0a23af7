// filterhost: runs the module's filters as an application would.
#include <csignal>
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "commands.h"
#include "filtersetup.h"

namespace {

constexpr const char* kUsage = R"(usage: filterhost [--module FILE] COMMAND [ARGS]

commands:
  list                 the module's filters: dialog, input types, parameters
  run OPTIONS          stream frames through a chain of filters
  demo [OPTIONS]       the built-in camera at 1280x960 through the demo chain,
                       one picture per stage in demo-output/ and the figures
  dialog FILTER [--load-params FILE] [--save-params FILE] [--max-file-size SIZE]
                       show the filter's property dialog, then print its
                       parameter text

the chain (run, demo), in order:
  -f, --filter 'NAME[@FILE][:PARAM=VALUE,...]'
                       a filter of the module; FILE is a parameter text it
                       restores first, then the PARAM=VALUE settings are made
                       (values are text; the filter converts them), e.g.
                         --filter DeBayer:Mode=2
                         --filter 'Rotate Flip:Rotation Angle=90,Flip H=true'
                         --filter ROI@roi.json:Left=64
  --load-params FILE   the parameter text for the --filter just before
  --save-params FILE   write that filter's parameter text once its settings
                       are made (before the run)

frames (run, demo):
  -i, --input FILE     a PNG, PGM (P5) or PPM (P6) picture with 8-bit samples;
                       repeat for more frames, all of one size. Grey pictures
                       become raw Bayer (BY8) frames when the first filter
                       takes them, else Y800; colour ones RGB24 or RGB32
  --mosaic RG|GB|GR|BG turn colour pictures into raw Bayer frames
  -n, --frames N       number of frames (inputs are repeated in turn);
                       default: each input once, or 16 from the camera
  without --input, the built-in camera delivers raw Bayer frames of a moving
  scene (colour bars, zone plate, gradients, moving text):
  --size WxH           frame size (default 1280x960)
  --pattern RG|GB|GR|BG  start pattern, named by the colour at column 0 of
                       memory row 1, then of row 0 (default GR)
  --noise SIGMA        sensor noise, standard deviation in levels (default 0)
  --seed N             seed of the noise (default 1)

threads (run, demo):
  --threads N          run the stages on N threads, adjacent stages grouped
                       by what each costs on a few frames measured first; the
                       camera counts as a stage. Default: the number of
                       cores, at most one per stage; 1: all on one thread

pictures (run, demo):
  -o, --output FILE    the last frame out of the chain, in the format its name
                       gives: .png, .pgm (grey) or .ppm (colour; grey frames
                       become RGB); other names are refused
  --every DIR          every frame out of the chain, DIR/frame-00000.png, ...
  --stages DIR         the last frame out of every stage: DIR/00-source.png
                       (and 00-scene.png, the camera's colour scene),
                       DIR/01-<filter>.png, ...

limits (run, demo), SIZE in bytes or as 64K, 512M, 2G:
  --max-file-size SIZE the most read from any one file (default 256M)
  --max-frame-memory SIZE
                       the most the pictures and frames of a run take
                       together (default 1G); a larger picture is refused
                       from its header, before it is decoded

A file is written under a temporary name beside it and renamed over the old
one only once complete, so a failed write leaves the old file as it was. An
output that is one of the run's input files is refused.

The chain's types are negotiated once, then frames are pushed through it; a
filter that produces no frame (DeNoise inside a run) ends that frame's way.
At the end a table gives, for the source and per filter, frames in and out,
time per frame, megapixels per second, the share of the run it was busy and,
across threads, its thread; on a terminal a progress line runs meanwhile.

--module FILE loads another module than corefilterssd.ftf beside libpixrt;
a FILE without '/' is a file in the working folder.
Exit status: 0 success, 1 a file, picture, module or chain failed,
2 the command line names or sets something the module refuses.
)";

int runMain(std::vector<std::string> args) {
  // A file size limit (ulimit -f) then fails the write with "File too large",
  // which the tool reports, instead of killing it halfway through a file.
  std::signal(SIGXFSZ, SIG_IGN);
  std::string modulePath = Pixlib::libraryDirectory() + "/corefilterssd.ftf";
  if (args.size() >= 2 && args[0] == "--module") {
    modulePath = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) {
    std::cerr << kUsage;
    return filterhost::kExitUsage;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kUsage;
    return filterhost::kExitOk;
  }
  if (command != "list" && command != "run" && command != "demo" && command != "dialog") {
    std::cerr << "filterhost: unknown command '" << command << "'\n" << kUsage;
    return filterhost::kExitUsage;
  }
  std::string error;
  auto module = Pixlib::FilterModule::load(modulePath, error);
  if (!module) {
    std::cerr << "filterhost: " << error << "\n";
    return filterhost::kExitFailure;
  }
  if (command == "list") return filterhost::listCommand(*module);
  if (command == "run") return filterhost::runCommand(*module, args);
  if (command == "demo") return filterhost::demoCommand(*module, args);
  return filterhost::dialogCommand(*module, args);
}

}  // namespace

// A failure the commands do not expect (memory exhausted for a huge frame)
// still ends with a message and an exit code, not an abort.
int main(int argc, char** argv) {
  try {
    return runMain(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::bad_alloc&) {
    std::cerr << "filterhost: out of memory\n";
  } catch (const std::exception& e) {
    std::cerr << "filterhost: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "filterhost: failed with an error of unknown kind\n";
  }
  return filterhost::kExitFailure;
}
