#include "Arguments.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>

#include "match/RegexPattern.h"

namespace lexmill::cli {
namespace {

std::string readWhole(const std::string& path, const std::string& option) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw UsageError(option + ": cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void readFileList(const std::string& path, std::vector<std::string>& files) {
    std::ifstream file;
    std::istream* in = &std::cin;
    if (path != "-") {
        file.open(path, std::ios::binary);
        if (!file) throw UsageError("--files-from: cannot read " + path);
        in = &file;
    }
    std::string line;
    while (std::getline(*in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) files.push_back(line);
    }
}

}  // namespace

const char* const kHelpText =
    R"(Usage: lexmill-batch [OPTIONS] FILE...
       lexmill-batch -r [OPTIONS] FOLDER|FILE...
       lexmill-batch --tally FILE [--keyword K]
       lexmill-batch --undo [FOLDER] | --list-runs
       lexmill-batch --upload NAME [--create-dirs] [--files-from LIST] FILE...
       lexmill-batch --trust NAME [--fingerprint FP]

Searches the files for a text and replaces every occurrence, as Lexmill's
Start button does: left to right, occurrences never overlapping, the
replacement never searched again. Each changed file is rewritten atomically;
with backups, a copy of it as it was goes first into the folder LMBACK beside
it; a file that would get its own bytes back is left alone. Prints the files
concerned on standard output, one a line and nothing else (no line when none);
the summary line and the files that could not be handled, with the reason, go
to standard error.

Search and replace:
  --search TEXT          the text to search for (taken literally)
  --search-file F        the search text is the exact bytes of file F
  -E, --regex            the search text is a Perl-compatible regular expression
                         (PCRE2): ^ and $ match at every line start and end (CR LF,
                         CR or LF), . matches no line break. In the replacement,
                         $1..$99 and ${name} stand for groups, $$ for a dollar, \n,
                         \r, \t and \\ for LF, CR, tab and backslash; anything else
                         is taken literally. A match longer than 8 MiB, or one that
                         needs too much backtracking, fails that file
  --replace TEXT         the replacement text (default: empty)
  --replace-file F       the replacement text is the exact bytes of file F
  --search-only          only list the files that contain the text
  --match-case           match upper and lower case exactly (default: ignore case)
  --backups              copy each changed file into LMBACK first (default)
  --no-backups           change files without a backup
  --charset CHARSET      utf-8 (default) or windows-1252: how case is ignored
  --files-from LIST      also take the files named in LIST, one a line ("-": standard input)
  --preview              write nothing: print a unified diff of what the run would
                         write (apply it with 'patch -p1'), then the summary line
                         "Preview: N replacements in M files." on standard error

Subfolders:
  -r, --recursive        take the files of each FOLDER given and of its subfolders,
                         folder by folder, names in the order of Lexmill's file list;
                         passes over LMBACK folders, hidden files and folders (names
                         starting with "."), links to folders and binary files (a NUL
                         byte in the first 8 KiB), links to files out of the FOLDER;
                         files named themselves are always taken
  -L, --follow           with -r, take links to files out of the folder walked too
  --include GLOB         take only files whose name matches GLOB (repeatable; "*.html")
  --exclude GLOB         pass over files whose name matches GLOB (repeatable)
  --exclude-dir GLOB     do not enter folders whose name matches GLOB (repeatable)
                         GLOBs follow fnmatch and match the name, not the path; they
                         apply to files and folders found in the walk; when the
                         walk finds no file at all, the exit status is 1

Tally:
  --tally FILE           print the lines, words, characters and keyword
                         occurrences of FILE
  --keyword K            the keyword or phrase to count (ignoring case)

Undo:
  --undo                 undo the last run with backups that is not undone yet:
                         put back from LMBACK each file it changed, unless the
                         file or its backup was changed since (then reported)
  --undo FOLDER          the same for the last run made in FOLDER or that changed
                         files in it or in its subfolders
  --list-runs            print the runs kept for undo (the last 20), one a line:
                         date, work folder, files changed, undone, not undone
                         or interrupted (a run that never ended)
Runs are kept in $XDG_STATE_HOME/Bramblegate/Lexmill/runs (by default
~/.local/state/Bramblegate/Lexmill/runs). A run without backups cannot be undone.

Upload:
  --upload NAME FILE...  upload the files through the connection NAME stored in
                         the FTP window, on one connection; prints each file
                         sent, then "Upload complete. N files sent." Each file
                         travels under a temporary name and replaces the
                         server's file only once complete. Never asks: a
                         certificate or host key not yet trusted fails the run
                         (see --trust). Two files that would arrive under the
                         same name are refused. Exit status 0 only when every
                         file arrived; 2 for an unknown NAME or such a clash.
  --create-dirs          with --upload: make the remote folder, and every
                         missing folder above it, instead of refusing it
  --trust NAME           connect through NAME and show the server's certificate
                         (subject, issuer, validity, SHA-256 fingerprint) or SSH
                         host key (type, SHA256 fingerprint), ask "Trust it?
                         [y/N]" on a terminal, and trust it as the window does
  --fingerprint FP       with --trust: trust without asking, only when FP is the
                         server's fingerprint (case, colons and spaces aside);
                         otherwise exit 1, nothing stored

  -h, --help             show this text
  --version              show the version of lexmill-batch and of the libraries
                         it uses

Ctrl+C stops a run after the file being handled; the summary then says
"cancelled".

Exit status: 0 when every file was handled, 1 when a file could not be
handled (or the run was cancelled), 2 when the command line is wrong.
)";

Arguments parseArguments(const std::vector<std::string>& args) {
    Arguments a;
    std::optional<std::string> search, replace;
    std::optional<bool> backups;
    bool sawSearchOption = false;
    std::optional<std::string> runsOption;  // --undo or --list-runs
    bool preview = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
            return args[++i];
        };
        auto setOnce = [&](std::optional<std::string>& slot, const std::string& text) {
            if (slot) throw UsageError(arg + ": the text is given twice");
            slot = text;
        };

        if (arg == "-h" || arg == "--help") {
            a.mode = Arguments::Mode::Help;
            return a;
        } else if (arg == "--version") {
            a.mode = Arguments::Mode::Version;
            return a;
        } else if (arg == "--search") {
            setOnce(search, value());
        } else if (arg == "--search-file") {
            setOnce(search, readWhole(value(), arg));
        } else if (arg == "--replace") {
            setOnce(replace, value());
        } else if (arg == "--replace-file") {
            setOnce(replace, readWhole(value(), arg));
        } else if (arg == "--search-only") {
            a.batch.searchOnly = true;
            sawSearchOption = true;
        } else if (arg == "-E" || arg == "--regex") {
            a.batch.regex = true;
            sawSearchOption = true;
        } else if (arg == "--match-case") {
            a.batch.matchCase = true;
            sawSearchOption = true;
        } else if (arg == "--backups" || arg == "--no-backups") {
            const bool on = arg == "--backups";
            if (backups && *backups != on) throw UsageError("--backups and --no-backups conflict");
            backups = on;
        } else if (arg == "--charset") {
            const std::string& name = value();
            if (name == "utf-8" || name == "UTF-8" || name == "utf8")
                a.batch.charset = Charset::Utf8;
            else if (name == "windows-1252" || name == "cp1252")
                a.batch.charset = Charset::Windows1252;
            else
                throw UsageError("--charset: unknown character set '" + name +
                                 "' (use utf-8 or windows-1252)");
        } else if (arg == "--preview") {
            preview = true;
        } else if (arg == "-r" || arg == "--recursive") {
            a.recursive = true;
        } else if (arg == "--include") {
            a.walk.include.push_back(value());
        } else if (arg == "--exclude") {
            a.walk.exclude.push_back(value());
        } else if (arg == "--exclude-dir") {
            a.walk.excludeDir.push_back(value());
        } else if (arg == "-L" || arg == "--follow") {
            a.walk.followLinks = true;
        } else if (arg == "--files-from") {
            readFileList(value(), a.files);
        } else if (arg == "--tally") {
            if (a.mode == Arguments::Mode::Tally) throw UsageError("--tally takes one file");
            a.mode = Arguments::Mode::Tally;
            a.files.push_back(value());
        } else if (arg == "--undo" || arg == "--list-runs") {
            if (runsOption) throw UsageError(*runsOption + " and " + arg + " conflict");
            runsOption = arg;
        } else if (arg == "--keyword") {
            a.keyword = value();
        } else if (arg == "--") {
            a.files.insert(a.files.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw UsageError("unknown option " + arg);
        } else {
            a.files.push_back(arg);
        }
    }

    const bool walkOptions = !a.walk.include.empty() || !a.walk.exclude.empty() ||
                             !a.walk.excludeDir.empty() || a.walk.followLinks;
    if (walkOptions && !a.recursive)
        throw UsageError("--include, --exclude, --exclude-dir and --follow go with --recursive");
    if (runsOption) {
        if (a.recursive) throw UsageError(*runsOption + " cannot be combined with other options");
        if (a.mode != Arguments::Mode::Batch || search || replace || sawSearchOption || backups ||
            preview || !a.keyword.empty())
            throw UsageError(*runsOption + " cannot be combined with other options");
        if (a.files.size() > (*runsOption == "--undo" ? 1u : 0u))
            throw UsageError(*runsOption == "--undo" ? "--undo takes at most one folder"
                                                     : "--list-runs takes no files");
        a.mode = *runsOption == "--undo" ? Arguments::Mode::Undo : Arguments::Mode::ListRuns;
        if (!a.files.empty()) a.undoFolder = a.files.front();
        a.files.clear();
        return a;
    }
    if (a.mode == Arguments::Mode::Tally) {
        if (search || replace || sawSearchOption || backups || preview || a.recursive)
            throw UsageError("--tally cannot be combined with search and replace options");
        if (a.files.size() != 1) throw UsageError("--tally takes exactly one file");
        return a;
    }
    if (!a.keyword.empty()) throw UsageError("--keyword goes with --tally");
    if (!search) throw UsageError("no search text: give --search TEXT or --search-file F");
    if (search->empty()) throw UsageError("the search text is empty");
    if (a.batch.searchOnly && replace) throw UsageError("--search-only takes no replacement");
    if (a.files.empty()) throw UsageError("no files given");
    a.batch.searchText = *search;
    a.batch.replaceText = replace.value_or("");
    a.batch.makeBackups = backups.value_or(true);
    if (preview) {
        if (a.batch.searchOnly)
            throw UsageError("--preview takes a replacement, not --search-only");
        a.mode = Arguments::Mode::Preview;
    }
    if (a.batch.regex) {
        // Refused before any file is read.
        try {
            checkPattern(a.batch.searchText, a.batch.searchOnly ? "" : a.batch.replaceText,
                         a.batch.matchCase, a.batch.charset);
        } catch (const PatternError& e) {
            throw UsageError(e.inReplacement()
                                 ? std::string(e.what())
                                 : std::string("invalid regular expression: ") + e.what());
        }
    }
    return a;
}

}  // namespace lexmill::cli
