#pragma once

#include <QString>

// The one wording of every message tq540ctl and tq540sim write to the error
// stream (and the window's line about its language library):
//
//     PROGRAM: SUBJECT: WHAT: REASON
//
// SUBJECT is what the message is about, as the user wrote it: a path, a port,
// an option with its value. WHAT says what could not be done, or what is wrong
// with the subject, in lower case. REASON says why: the system's own text where
// the system gave one. A part with nothing to say is left out with its colon.
// A mistake in the command line gets a second line that says where help is.
//
//   kind                 SUBJECT          WHAT                          REASON             exit
//   unknown command      the word         unknown command               -                  2 (a)
//   unknown option       the option       unknown option                -                  2 (a)
//   unexpected argument  the argument     unexpected argument           -                  2 (a)
//   missing value        the option       needs a value                 -                  2 (a)
//   option twice         the option       given twice                   -                  2 (a)
//   value to a flag      the option       takes no value                -                  2 (a)
//   options that clash   the option       cannot be used with OTHER     -                  2 (a)
//   required missing     "--port P"       required                      -                  2 (a)
//   bad value            "--sn abc"       not WHAT IT MUST BE (b)       -                  2 (a)
//   file not read        the path         cannot read the F (c)         system text (d)    1 (e)
//   file not written     the path         cannot write the F (c)        system text        1
//   file too long        the path         not sent (tq540ctl upload),   how long it is     1 / 2
//                                         cannot load the EEPROM image
//                                         (tq540sim --image)
//   bad file content     the path         not a configuration (not a    the key or cell    2
//                                         site backup: site.json)       and what it needs
//   backup folder taken  the folder       cannot back up into this      it holds a backup  1
//                                         folder                        already (site.json)
//   folder not made      the folder       cannot make the folder        system text        1
//   file changed         the path         changed since the backup      its SHA-256 is not 1
//                                                                       the one in site.json;
//                                                                       nothing was restored
//   plan row refused     "PLAN:LINE"      malformed row / not a plan /  what is wrong      2
//                                         unknown port P / same address (the port's reason;
//                                         as line N                     the address)
//   plan file refused    "PLAN:LINE: F"   cannot read the configuration system text /      2
//                                         file / not sent               how long it is
//   report not a report  the path         not a commissioning report    the key and what   2
//                                                                       it needs
//   trace not written    the path         cannot write the trace        system text        1
//   port not opened      the device       cannot open the port          in words (f)       25 (g)
//   device outcome       (diff: A or B;   the outcome's designed text   -                  result
//                        a site's device:
//                        "serial number N";
//                        a plan's row:
//                        "PLAN:LINE")
//   no device answered   -                no device answered            -                  3
//   notice               -                the device is being written;  -                  -
//                                         this cannot be interrupted /
//                                         stopping once this device is
//                                         done (backup, restore,
//                                         commission)
//   language library     the path         cannot load the language      system text, or    - (h)
//                                         library                       "not a language
//                                                                       library"
//   simulator terminal   - / the path     cannot create a pseudo-       system text, or    1
//                                         terminal / cannot open the    why the link
//                                         pseudo-terminal / cannot      stays
//                                         create the link
//
//   (a) followed by "Try 'PROGRAM [COMMAND] --help'."
//   (b) --port: "a port number from 1 to 16"; --sn: "a serial number or
//       device ID (a number from 0 to 2147483647)"; --ids: "device IDs from 0
//       to 255 (...)"; --speeds: "a list of 1200, ... each once"; tq540sim's
//       numbers: "a whole number from L to H", --baud: "one of 1200, ...";
//       tq540sim --device: the key and its value as the subject
//       ("--device sn=abc"), or "one of id=N, sn=N, ..." for an unknown key.
//   (c) F names the file by its role: "configuration file", "JSON file",
//       "EEPROM image", "site file" (site.json), "plan", "report"
//       (report.json), "sheet".
//   (d) "not a regular file (a folder, a device or a pipe)" for such a path.
//   (e) diff: 2, as 1 means "they differ"; tq540sim --image: 2.
//   (f) mComm::openFailureReason: "no such device", "in use by another
//       program", "no permission" (with "(add yourself to the G group, then
//       log in again)" where joining the device's group would help), "not a
//       serial port", else the system's text.
//   (g) after the designed outcome line "Can't open communication port.".
//   (h) a warning; the program goes on, tq540ctl showing result codes.
//
// Examples:
//   tq540ctl: nofile.ztb: cannot read the configuration file: No such file or directory
//   tq540ctl: --speed: unknown option
//   Try 'tq540ctl test --help'.
//   tq540ctl: /dev/ttyUSB0: cannot open the port: in use by another program
namespace diagnostic {

struct Problem
{
    QString subject;
    QString what; // empty: no problem
    QString reason;

    explicit operator bool() const { return !what.isEmpty(); }
};

// "SUBJECT: WHAT: REASON", the parts that are there.
QString text(const Problem &problem);

// The whole line: the program's name (QCoreApplication::applicationName), then text().
QString line(const Problem &problem);

// The line after a mistake in the command line: "Try 'tq540ctl test --help'."
// (`command` empty: the program's own help).
QString tryHelp(const QString &command = {});

// Writes line() to the error stream, then tryHelp(command) when `usage`.
void write(const Problem &problem);
void writeUsage(const Problem &problem, const QString &command = {});

// The command-line mistakes, worded once for both programs.
Problem unknownCommand(const QString &word);
Problem unknownOption(const QString &option);
Problem unexpectedArgument(const QString &argument);
Problem missingValue(const QString &option);
Problem givenTwice(const QString &option);
Problem takesNoValue(const QString &option); // "--verbose=1"
// "--serial: cannot be used with --device": the two options exclude each other.
Problem notWith(const QString &option, const QString &other);
// `argument` as the usage line writes it: "--port P", "FILE.ztb".
Problem required(const QString &argument);
// "--sn abc: not a number from 0 to 2147483647"; `expected` says what would do.
Problem badValue(const QString &option, const QString &value, const QString &expected);

// A file that could not be read or written; `role` names it ("configuration
// file"), `reason` is the system's text.
Problem cannotRead(const QString &path, const QString &role, const QString &reason);
Problem cannotWrite(const QString &path, const QString &role, const QString &reason);

// Why a file cannot be opened for reading, in the system's words; empty when it can.
QString openReason(const QString &path);

// The language library at `path` did not load.
Problem languageLibraryNotLoaded(const QString &path);

} // namespace diagnostic
