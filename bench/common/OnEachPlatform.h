#pragma once

#include <map>
#include <string>
#include <vector>

// A benchmark of the program's windows run where the user has them: once on
// Qt's offscreen platform and once on the display (xcb, an Xvfb under
// xvfb-run), in one run. A process has one Qt platform, so each platform's
// run is a child process of this same program; a child reports its figures
// by name and the parent sets them side by side.
namespace bench {

struct PlatformRun {
    std::string platform;          // "offscreen" or "xcb"
    bool ran = false;              // the child started and ended well
    std::string why;               // why it did not run, when it did not
    std::map<std::string, double> figures;

    double figure(const std::string& name) const;  // 0 when not reported
};

// The platform this process runs its windows on when it is one platform's
// child, or empty in the parent.
std::string childPlatform();

// In a child: hands one figure to the parent.
void reportFigure(const std::string& name, double value);

// In the parent: runs this program once per platform, with the same
// arguments, and gathers what each child reported. The xcb run needs a
// display; without DISPLAY it is skipped and says so.
std::vector<PlatformRun> runOnEachPlatform(int argc, char** argv);

} // namespace bench
