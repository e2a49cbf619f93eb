// The program's modes, chosen by run_program from the command line.
#pragma once

#include <string>
#include <vector>

namespace velmora {

// Exit statuses shared by every mode.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailed = 1,         // a camera did not complete, a check failed
  kExitUsage = 2,          // bad command line or input
  kExitAlreadyRunning = 3, // another instance holds "_Velmora"
  kExitInterrupted = 130,  // stopped by Ctrl+C before the work was done
};

struct HeadlessOptions {
  bool once = false;
  bool now = false;       // start all cameras at once instead of waiting for the timer
  bool verbose = false;   // library log lines to standard error
  bool json = false;      // --once: JSON lines on standard output, the rest on standard error
  std::string web;        // --web [ADDRESS:]PORT or "off" ("" = as "settings web" says)
};

struct DemoOptions {
  int cameras = 5;
  bool verbose = false;
  bool window = false;  // show the run in the desktop window
  bool keep = false;  // keep the temporary folder afterwards
};

// The whole program: reads the command line, creates the Qt application
// (argc may be changed by it) and runs the chosen mode; returns the exit status.
int run_program(int& argc, char** argv);

int run_cameras_command(const std::vector<std::string>& args);
// Visits a configured camera without changing anything.
int run_camera_test(const std::vector<std::string>& args);
int run_camera_recordings(const std::vector<std::string>& args);
// Logs in to the camera of a record not saved yet (the --check of an add)
// and reports it as "cameras test" does; the exit status to give.
struct CameraRecord;
int check_camera(const CameraRecord& record);
int run_settings_command(const std::vector<std::string>& args);
int run_headless(const HeadlessOptions& options);
// Replaces this process with the demo program installed beside it
// ("velmora-demo", which carries the simulated cameras); returns only when
// that fails.
int start_demo(const DemoOptions& options);
// The demo itself (the demo program's main).
int run_demo(const DemoOptions& options);
int run_sync_command(const std::vector<std::string>& args);
int run_status_command(const std::vector<std::string>& args);

// Acquires the single-instance lock; when it is held elsewhere and `report`
// is set, says which process holds it and what to do. False = not acquired.
bool acquire_instance_lock(bool report = true);

// The desktop window on the user's own cameras (needs a QApplication).
int run_window(bool verbose);

}  // namespace velmora
