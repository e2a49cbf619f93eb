#include "help.h"

#include <QCoreApplication>

#include <map>

#include "kestrune_sdk.h"
#include "ks_version.h"
#include "run_report.h"
#include "live_snapshot.h"
#include "run_result.h"
#include "web_settings_command.h"

namespace velmora {

namespace {

constexpr const char* kProgram =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora <mode or command> [options]\n"
    "\n"
    "Keeps a copy of every recording on your network cameras' memory cards.\n"
    "\n"
    "Modes:\n"
    "  (none)                           open the desktop window (needs a display)\n"
    "  --verbose                        the window, with the camera library's log lines\n"
    "                                   on standard error\n"
    "  --headless [--now] [--verbose]   run as a service (velmora --headless --help)\n"
    "  --headless --once [--json] [--verbose]\n"
    "                                   synchronise every camera once, then exit\n"
    "  --demo [--cameras N] [--keep] [--console]\n"
    "                                   try it on simulated cameras (velmora --demo --help)\n"
    "\n"
    "Commands (each has --help):\n"
    "  cameras list|discover|add-local|add-remote|remove|set|test|recordings\n"
    "                                             show, find, edit or test the cameras\n"
    "  settings [NAME VALUE]...                   show or change the settings: the\n"
    "                                             download folder, the interval, the\n"
    "                                             speed (by default at most 262144\n"
    "                                             bytes/s, 256 KiB/s, per camera)\n"
    "  sync [--wait]                              start a run in the running Velmora\n"
    "                                             (--wait: until it ends, with outcomes)\n"
    "  status [--json] [--check [--max-age D]]    what each camera does now, when it last\n"
    "                                             synchronised; --check for monitoring\n"
    "\n"
    "  -h, --help      this help\n"
    "  --version       the program's and the camera library's versions\n"
    "\n"
    "While a service runs, reading commands work as always and changes go to the\n"
    "service, which applies and saves them at once.\n"
    "Files live in $XDG_DATA_HOME/OV (default ~/.local/share/OV).\n"
    "--json prints JSON Lines on standard output: one object per line, each with\n"
    "a \"type\"; keys and outcome words never change with the language.\n"
    "Exit status: 0 success, 1 failure (a camera did not complete, a change could\n"
    "not be saved), 2 bad command line, 3 refused because another Velmora holds\n"
    "the profile, 130 interrupted (Ctrl+C).\n");

constexpr const char* kCameras =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora cameras <command> ...\n"
    "\n"
    "  list [--json]                           the configured cameras\n"
    "  discover [--seconds N] [--json]         the cameras announcing themselves on\n"
    "                                          this network within N s (default 5)\n"
    "  add-local <id> [<ipv4>] [<password>]    a camera on this network (port 9996)\n"
    "  add-remote <id> <server ipv4> <user> [<password>] <serial>\n"
    "                                          a camera behind a video server (port 1701)\n"
    "  remove <id>                             forget a camera (its recordings stay)\n"
    "  set <id> [<name> [<value>]]...          change a camera's address, password,\n"
    "                                          alias, server, user or options\n"
    "  test <id>                               log in, count the recordings, log out\n"
    "  recordings <id> [--json]                what is on the card and on disk (a dry run)\n"
    "\n"
    "'velmora cameras <command> --help' describes each command.\n");
constexpr const char* kTest =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora cameras test <id>\n"
    "\n"
    "Logs in to a configured camera with its stored password (a remote camera\n"
    "through its video server's relay), reports the result and the number of\n"
    "recordings on its card, and logs out. Exit status 0 when the login worked,\n"
    "1 otherwise.\n");
constexpr const char* kRecordings =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora cameras recordings <id> [--json]\n"
    "\n"
    "A dry run: lists the recordings on a configured camera's card (a remote\n"
    "camera through its video server's relay): name, kind, size, and whether\n"
    "each is on disk, partial (with the bytes present) or missing; then the\n"
    "total still to download. Downloads nothing.\n"
    "  --json  one {\"type\":\"recording\", \"name\", \"kind\", \"size\", \"state\"\n"
    "          (on-disk, partial, missing, unsafe-name), \"bytes_present\"} per\n"
    "          recording, then {\"type\":\"summary\", \"recordings\",\n"
    "          \"to_download\", \"bytes_to_download\", \"folder\"}.\n");

constexpr const char* kList =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora cameras list [--json]\n"
    "\n"
    "Shows every configured camera: id, kind, address (or serial and server) and\n"
    "alias. Works while a Velmora service runs.\n"
    "  --json  one JSON object per line and camera: {\"type\":\"camera\", \"id\",\n"
    "          \"kind\" (\"local\" or \"remote\"), \"address\" and \"port\" (local) or\n"
    "          \"server\", \"port\", \"user\" and \"serial\" (remote), \"alias\"}.\n"
    "          Passwords are never shown. Text that is not valid UTF-8 or holds\n"
    "          control characters is shown with \\xNN escapes, as on the console.\n");

constexpr const char* kDiscover =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora cameras discover [--seconds N] [--json]\n"
    "\n"
    "Listens for the cameras announcing themselves on the local network (UDP port\n"
    "51010) for N seconds (1 to 3600, default 5) and lists each camera heard: id,\n"
    "address, and whether it is already configured. 'velmora cameras add-local\n"
    "<id>' then adds one by its id alone.\n"
    "  --json  one JSON object per line and camera heard: {\"type\":\"camera\",\n"
    "          \"id\", \"address\", \"configured\" (true or false)}; the other lines\n"
    "          go to standard error.\n");
constexpr const char* kAddLocal =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora cameras add-local [--replace] [--force] [--password-stdin] [--check]\n"
    "                                 <id> [<ipv4>] [<password>]\n"
    "\n"
    "Adds a camera on the local network, reached directly on port 9996.\n"
    "  <id>        the camera's id as it announces it: a 32-bit number, signed\n"
    "              (-1) or unsigned (4294967295) spelling\n"
    "  <ipv4>      its address, a.b.c.d (not 0.0.0.0, a broadcast or a multicast\n"
    "              address), or a host name, looked up once and kept as its\n"
    "              address; left out, the camera's own announcement on this\n"
    "              network supplies it (listening up to 5 s)\n"
    "  <password>  at most 15 bytes. Leave it out to be asked for it without echo,\n"
    "              or give --password-stdin to read it from standard input; a\n"
    "              password on the command line is visible to other users (ps)\n"
    "              and kept in your shell's history.\n"
    "  --replace   replace the camera that already has this id\n"
    "  --force     accept an address another camera already uses\n"
    "  --check     log in to the camera first and save it only when that works\n"
    "              (exit status 1 with the reason otherwise)\n"
    "  --delete-after-copy  free the camera's card: see 'velmora cameras set --help'\n");

constexpr const char* kAddRemote =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora cameras add-remote [--replace] [--force] [--password-stdin] [--check]\n"
    "                                  <id> <server ipv4> <user> [<password>] <serial>\n"
    "\n"
    "Adds a camera reached through a video server (port 1701).\n"
    "  <id>           the camera's id in the server account (signed or unsigned)\n"
    "  <server ipv4>  the server's address, a.b.c.d, or a host name (looked up\n"
    "                 once and kept as its address)\n"
    "  <user>         the account's user name, at most 49 bytes\n"
    "  <password>     the account's password, at most 19 bytes; leave it out to be\n"
    "                 asked without echo, or give --password-stdin\n"
    "  <serial>       serial number of the account's main camera, at most 31 bytes\n"
    "  --replace      replace the camera that already has this id\n"
    "  --force        accept a camera id with the same serial and server as another\n"
    "  --check        log in to the server and, through its relay, to the camera\n"
    "                 first; save it only when that works (exit status 1 otherwise)\n"
    "  --delete-after-copy  free the camera's card: see 'velmora cameras set --help'\n");

constexpr const char* kRemove =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora cameras remove <id>\n"
    "\n"
    "Removes a camera from the list, with its options. Its downloaded recordings\n"
    "stay on disk.\n");

constexpr const char* kSet =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora cameras set [--password-stdin] [--force] <id> [<name> [<value>]]...\n"
    "\n"
    "Without names shows the camera's options. Each change is saved at once; a\n"
    "running Velmora (service or window) takes it at once too and restarts the\n"
    "camera if it was waiting, running or had failed, else uses it from the\n"
    "camera's next run. The output says which.\n"
    "  address <ipv4 or host>  a local camera's address; a host name is looked\n"
    "                 up once, now, and its IPv4 address is kept\n"
    "  password       a local camera's password (at most 15 bytes), asked for\n"
    "                 without echo, or read from standard input (--password-stdin)\n"
    "  alias <text>   the name shown for the camera ('' removes it)\n"
    "  server <ipv4 or host>  a remote camera's video server\n"
    "  user <name>    the server account's user name (at most 49 bytes)\n"
    "  server-password  the account's password (at most 19 bytes), asked for\n"
    "                 like password\n"
    "  --force        accept an address another camera already uses\n"
    "  delete-after-copy on|off  free the camera's memory card (default off): at\n"
    "                 the end of a run that did not fail, the camera is asked to\n"
    "                 delete each recording whose copy on disk is complete and\n"
    "                 exactly as long as the camera lists it, one at a time. A\n"
    "                 recording that is missing or short on disk is never deleted.\n"
    "                 A camera that refuses (or does not answer within 5 s) keeps\n"
    "                 the recording; the run reports every deletion and refusal.\n"
    "                 Kept in $XDG_DATA_HOME/OV/data/VelmoraCameraOptions.txt.\n"
    "Examples: velmora cameras set 12345 delete-after-copy on\n"
    "          velmora cameras set 12345 address 192.168.1.40 password\n");

constexpr const char* kSettings =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora settings [<name> <value>]...\n"
    "\n"
    "Without arguments shows the settings and where the download folder comes\n"
    "from. Several settings can be changed at once:\n"
    "  interval <duration>   automatic synchronisation: off, 10m, 30m, 1h, 2h, 4h,\n"
    "                        12h, 1d or 1w (or the codes 0 to 8 in that order)\n"
    "  concurrency <n>       cameras synchronised at once, 1 to 5\n"
    "  rate <bytes/s>|off    speed limit per camera: bytes per second, or K, M, G\n"
    "                        (binary units: 2M = 2097152), from 2185 up; off for\n"
    "                        none. It sets the pacing that keeps a camera at or\n"
    "                        below it (chunks are 128 KiB). The default pacing,\n"
    "                        500 ms, is at most 262144 bytes/s (256 KiB/s) per\n"
    "                        camera: a 30 MB minute of video takes 2 minutes\n"
    "  pacing <ms>           the exact least wait between chunk requests of a\n"
    "                        download, 0 to 60000 ms (default 500; 0 asks for the\n"
    "                        next chunk as soon as one ends); 'pacing' alone shows it\n"
    "  min-free <size>       free space to keep on the download folder's disk\n"
    "                        (default 1G): before every chunk a camera checks it,\n"
    "                        and below it the run ends as \"disk full\" with the\n"
    "                        partial file kept to resume; cameras are not retried\n"
    "                        or started while it lasts, the next automatic or\n"
    "                        requested run looks again. Bytes, or K, M, G, T\n"
    "                        (binary units); 0 switches the check off\n"
    "  keep-days <n>         after a camera's successful run, remove its finished\n"
    "                        recordings whose files are older than n days (by\n"
    "                        modification time); partial files and files Velmora\n"
    "                        did not write are never touched. 0 (the default)\n"
    "                        keeps everything for ever\n"
    "  download-folder <path>|default\n"
    "                        where recordings go: an absolute folder, created when\n"
    "                        missing, that must be writable (checked now and before\n"
    "                        every run). Runs under way finish where they started;\n"
    "                        recordings already downloaded are never moved.\n"
    "                        'default' goes back to the folder the camera-manager\n"
    "                        program sets in its settings\n"
    "                        ($XDG_DATA_HOME/OV/Settings.xml), else OV/RecordDownload\n"
    "  notifications on|off  in the window, a desktop notification when a camera's\n"
    "                        run fails or stops on a full disk, once per camera\n"
    "                        and run, not per retry (default on)\n"
    "  notify-command '<program> [<arg>]...'|off\n"
    "                        a program run at the same moments, in any mode, with\n"
    "                        the camera id, the outcome word, the reason and the\n"
    "                        camera's alias (or address) added as arguments and in\n"
    "                        VELMORA_CAMERA, VELMORA_OUTCOME, VELMORA_REASON and\n"
    "                        VELMORA_CAMERA_NAME. Never run through a shell: words\n"
    "                        are split at blanks, \"double quotes\" keep blanks in a\n"
    "                        word. Stopped after 30 s; a failure is logged, never\n"
    "                        fatal. Default off\n"
    "Example: velmora settings interval 1h concurrency 2\n"
    "         velmora settings min-free 2G keep-days 90\n"
    "         velmora settings rate 2M download-folder /srv/cameras\n"
    "         velmora settings notify-command '/usr/local/bin/page-me --urgent'\n");

constexpr const char* kSync =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora sync [--wait]\n"
    "\n"
    "Asks the running Velmora (service or window) to synchronise every camera\n"
    "now. Without a running Velmora, use 'velmora --headless --once'.\n"
    "  --wait  wait until the run has ended for every camera, then print one\n"
    "          line per camera: its outcome, and for a wrong password the\n"
    "          command that fixes it. Exit status 0 when every camera\n"
    "          completed, 1 when any failed or Velmora ended before the run.\n");

constexpr const char* kHeadless =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora --headless [--now] [--verbose]\n"
    "       velmora --headless --once [--json] [--verbose]\n"
    "\n"
    "Runs the synchroniser without a window. Every configured camera is\n"
    "synchronised at the automatic interval of the settings (default every\n"
    "10 minutes), counted from the start of the last automatic run in the\n"
    "history: a run that fell due while Velmora was not running or the machine\n"
    "slept starts within a minute; with no automatic run on record the first\n"
    "waits one interval. Cameras that fail are retried every 60 s. At most the\n"
    "concurrency setting's number of cameras (1-5) download at once.\n"
    "  --now      also start every camera at once instead of waiting for the\n"
    "             first automatic run\n"
    "  --once     synchronise every camera now and exit when each has finished;\n"
    "             one outcome line per camera and a total line; exit status 0\n"
    "             only when every camera completed\n"
    "  --json     with --once: JSON Lines on standard output, everything else on\n"
    "             standard error. One object per camera as its run ends, with\n"
    "             the keys\n"
    "%1"
    "             then one {\"type\":\"summary\", \"cameras\", \"ok\", \"failed\",\n"
    "             \"fetched\", \"resumed\", \"skipped\", \"bytes\", \"card_deleted\",\n"
    "             \"card_kept\", \"removed_files\", \"removed_bytes\", \"seconds\",\n"
    "             \"exit\"}. Outcomes:\n"
    "%2"
    "             New keys and outcomes may be added; existing ones keep their\n"
    "             meaning.\n"
    "  --verbose  show the camera library's log lines on standard error\n"
    "The log has one dated line per stored recording and per camera outcome;\n"
    "starts and progress only on a terminal. A camera that keeps failing the\n"
    "same way is logged in full once, then at most once an hour (\"still failing\n"
    "since ..., N attempts\") while it is retried every 60 s; a wrong password\n"
    "is not retried, and its line names the command that fixes it.\n"
    "Ctrl+C, SIGTERM or SIGHUP stops every camera and exits (status 0; 130 with\n"
    "--once).\n"
    "Every camera's runs are kept in the history log (see 'velmora status').\n"
    "While it runs, 'velmora sync' starts a run and 'velmora cameras' and\n"
    "'velmora settings' changes are applied by it at once.\n");

constexpr const char* kStatus =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora status [--json] [--check [--max-age DURATION]]\n"
    "\n"
    "Shows for every configured camera when it last completed a run (local time),\n"
    "how its last run ended and why, and the bytes its runs fetched in the last\n"
    "7 days, from the history log $XDG_DATA_HOME/OV/data/SyncHistory.jsonl\n"
    "(every run of the window and of --headless, newest 512 KiB to 1 MiB kept).\n"
    "While Velmora runs (service or window) it answers too, and a line \"now:\"\n"
    "follows each camera it is working on: waiting for a free slot, connecting,\n"
    "downloading a file (percent, bytes, file n of m, speed, time left for the\n"
    "run), or failed with the time of the next retry.\n"
    "  --check        exit status 1 when a camera's last run failed (a stopped\n"
    "                 run does not count), with a \"Check failed\" line each\n"
    "  --max-age D    with --check, also when a camera's last completed run is\n"
    "                 older than D or it never completed one: a whole number and\n"
    "                 s, m, h, d or w (90m, 36h, 2d)\n"
    "  --json  one JSON object per line and camera: {\"type\":\"camera\", \"id\",\n"
    "          \"kind\", \"address\"/\"server\", \"port\", \"alias\", \"last_completed\"\n"
    "          (\"2026-12-09T03:10:00+01:00\" or null), \"last_outcome\" (an outcome\n"
    "          word of --headless --once --json, or null), \"last_error\",\n"
    "          \"last_ended\", \"last_run\" (the run's full record, or null),\n"
    "          \"bytes_7d\", \"live\"}. \"live\" is null when no Velmora runs, else\n"
    "          what it knows now, with the keys\n"
    "%1"
    "          (\"file_bytes\", \"run_bytes\" and \"speed\" in bytes and bytes/s,\n"
    "          \"eta\" in seconds or -1, \"next_retry\" and \"failing_since\" in\n"
    "          seconds since 1970 or 0). States:\n"
    "%2"
    "          With --check a last {\"type\":\"check\", \"ok\", \"max_age\",\n"
    "          \"problems\": [{\"id\", \"problem\" (last-run-failed,\n"
    "          never-completed, too-old), \"text\"}]}.\n");

constexpr const char* kDemo =
    QT_TRANSLATE_NOOP("Console",
    "Usage: velmora --demo [--cameras N] [--keep] [--console] [--verbose]\n"
    "\n"
    "Starts N (1-20, default 5) simulated cameras on 127.0.0.2 to 127.0.0.(N+1),\n"
    "port 9996, and two more behind a simulated video server on 127.0.0.(N+2),\n"
    "port 1701, synchronises them into a new temporary folder with a profile of\n"
    "its own, and checks every file byte for byte. Your own cameras, settings\n"
    "and a running Velmora service are not touched.\n"
    "With a display the window shows the run (close it for the summary).\n"
    "  --console  keep the terminal board even when a display is available\n"
    "  --keep     keep the temporary folder afterwards (it is removed otherwise)\n"
    "  --verbose  show the camera library's log lines on standard error\n"
    "Exit status 0 when every file is byte-exact, 130 when interrupted.\n");

// Words joined by ", " (quoted when `quote`), in lines of at most 76
// columns indented by `indent_width`.
std::string wrapped_list(const std::vector<std::string>& words, bool quote,
                         std::size_t indent_width = 13) {
  const std::string indent(indent_width, ' ');
  std::string out, line = indent;
  for (std::size_t i = 0; i < words.size(); ++i) {
    std::string w = quote ? "\"" + words[i] + "\"" : words[i];
    w += i + 1 < words.size() ? "," : ".";
    if (line.size() > indent.size() && line.size() + 1 + w.size() > 76) {
      out += line + "\n";
      line = indent;
    }
    line += (line.size() > indent.size() ? " " : "") + w;
  }
  return out + line + "\n";
}

}  // namespace

std::string help_text(const std::string& topic) {
  static const std::map<std::string, const char*> texts = {
      {"cameras", kCameras},          {"cameras list", kList},
      {"cameras discover", kDiscover}, {"cameras test", kTest},
      {"cameras recordings", kRecordings},
      {"cameras add-local", kAddLocal}, {"cameras add-remote", kAddRemote},
      {"cameras remove", kRemove},    {"cameras set", kSet},
      {"settings", kSettings},
      {"sync", kSync},                {"headless", kHeadless},
      {"status", kStatus},
      {"demo", kDemo}};
  auto it = texts.find(topic);
  QString text = QCoreApplication::translate("Console", it == texts.end() ? kProgram : it->second);
  if (topic == "status") {
    std::vector<std::string> keys;
    for (const QString& k : live_to_json(LiveCamera{}).keys()) keys.push_back(k.toStdString());
    text = text.arg(QString::fromStdString(wrapped_list(keys, true, 10)),
                    QString::fromStdString(wrapped_list(live_state_words(), false, 10)));
  }
  if (topic == "headless") {
    // The keys and words come from the code that writes them, so the help
    // cannot leave one out.
    std::vector<std::string> keys;
    for (const QString& k : camera_run_json(RunResult{}, "").keys()) keys.push_back(k.toStdString());
    text = text.arg(QString::fromStdString(wrapped_list(keys, true)),
                    QString::fromStdString(wrapped_list(outcome_words(), false)));
  }
  if (topic == "headless" || topic == "settings") text += QString::fromStdString(web_help(topic));
  return text.toStdString();
}

bool asks_for_help(const std::vector<std::string>& words) {
  for (const std::string& w : words)
    if (w == "--help" || w == "-h") return true;
  return false;
}

std::string version_text() {
  const unsigned v = NVS_SDK_V160::Camera_SDK_GetVersion();
  char buf[96];
  // One hexadecimal digit per part, then a zero digit.
  std::snprintf(buf, sizeof buf, "velmora %s (camera library %u.%u.%u, 0x%04x)", KS_VERSION_STRING,
                (v >> 12) & 0xfu, (v >> 8) & 0xfu, (v >> 4) & 0xfu, v);
  return buf;
}

}  // namespace velmora
