// Writes a manual page from a program's own help text, so that the page says exactly what the program says:
//   pictavo-make-manpage --program PATH --name NAME --summary TEXT --version TEXT --out FILE
//                        [--help-arg ARG] [--verbs] [--see-also PAGE]... [--sections FILE]...
// The help text (the output of "PROGRAM ARG", --help by default) is read in this layout:
//   - "Usage: NAME ARGUMENTS" first: the synopsis;
//   - paragraphs separated by empty lines: the description;
//   - a line "Heading:" opens a section of that name whose lines "  TERM  DESCRIPTION" are items (a line
//     indented deeper continues the item above; one indented by 20 or more holds description only);
//   - a paragraph "Label: text" is a section of its own ("Exit codes" becomes EXIT STATUS, a label
//     beginning with "Options" OPTIONS).
// With --verbs the first word of each item of "Verbs:" is a verb, shown with the text "PROGRAM help VERB"
// prints: its synopsis, then its paragraphs, paragraphs indented by two spaces kept as examples.
// Each --sections FILE adds the sections of a text in the same layout (without the usage line) after those
// of the help text, for what a help text has no room for: examples, the environment, the files.
#include <sys/wait.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

struct Section {
    std::string sTitle;
    std::string sRoff;
};

std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// The standard output of a run of the program; false when it cannot run or does not end with code 0.
bool Run(const std::string& sProgram, const std::vector<std::string>& args, std::string& out) {
    std::string command = Quote(sProgram);
    for (const std::string& arg : args) {
        command += " " + Quote(arg);
    }
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return false;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, n);
    }
    const int nStatus = pclose(pipe);
    return nStatus != -1 && WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
}

Lines SplitLines(const std::string& text) {
    Lines lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Runs of lines separated by empty lines.
std::vector<Lines> Blocks(const Lines& lines) {
    std::vector<Lines> blocks;
    Lines block;
    for (const std::string& line : lines) {
        if (line.find_first_not_of(' ') == std::string::npos) {
            if (!block.empty()) {
                blocks.push_back(block);
                block.clear();
            }
        } else {
            block.push_back(line);
        }
    }
    if (!block.empty()) {
        blocks.push_back(block);
    }
    return blocks;
}

size_t Indent(const std::string& line) {
    const size_t n = line.find_first_not_of(' ');
    return n == std::string::npos ? line.size() : n;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Text for roff: backslashes and hyphens escaped, and no line that roff would take for a request.
std::string Escape(const std::string& text) {
    std::string out;
    bool bLineStart = true;
    for (char c : text) {
        if (bLineStart && (c == '.' || c == '\'')) {
            out += "\\&";
        }
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out.push_back(c);
        }
        bLineStart = c == '\n';
    }
    return out;
}

std::string Join(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "\n") + Trim(line);
    }
    return text;
}

// An item's lines as term and description: a line indented by 20 or more is description only; in any
// other line a gap of two spaces ends the term.
void SplitItem(const Lines& lines, std::string& sTerm, std::string& sDescription) {
    for (const std::string& line : lines) {
        if (Indent(line) >= 20) {
            sDescription += (sDescription.empty() ? "" : " ") + Trim(line);
            continue;
        }
        const std::string text = Trim(line);
        const size_t gap = text.find("  ");
        sTerm += (sTerm.empty() ? "" : " ") + text.substr(0, gap);
        if (gap != std::string::npos) {
            sDescription += (sDescription.empty() ? "" : " ") + Trim(text.substr(gap));
        }
    }
}

std::string Term(const std::string& sTerm) {
    const size_t space = sTerm.find(' ');
    if (space == std::string::npos) {
        return "\\fB" + Escape(sTerm) + "\\fR";
    }
    return "\\fB" + Escape(sTerm.substr(0, space)) + "\\fR" + Escape(sTerm.substr(space));
}

// Paragraphs of a help text: an example block (every line indented) stays as it is.
std::string Paragraphs(const std::vector<Lines>& blocks, const char* pszBreak) {
    std::string roff;
    for (const Lines& block : blocks) {
        bool bExample = true;
        for (const std::string& line : block) {
            bExample = bExample && Indent(line) >= 2;
        }
        roff += pszBreak;
        if (bExample) {
            roff += ".nf\n";
            for (const std::string& line : block) {
                roff += Escape(line.substr(2)) + "\n";
            }
            roff += ".fi\n";
        } else {
            roff += Escape(Join(block)) + "\n";
        }
    }
    return roff;
}

struct Options {
    std::string sProgram, sName, sSummary, sVersion, sOut, sHelpArg = "--help";
    bool bVerbs = false;
    std::vector<std::string> seeAlso;
    std::vector<std::string> sectionFiles;
};

// A verb's synopsis and text from "PROGRAM help VERB".
bool VerbRoff(const Options& o, const std::string& sVerb, std::string& roff) {
    std::string text;
    if (!Run(o.sProgram, {"help", sVerb}, text)) {
        std::fprintf(stderr, "pictavo-make-manpage: '%s help %s' failed\n", o.sProgram.c_str(),
                     sVerb.c_str());
        return false;
    }
    std::vector<Lines> blocks = Blocks(SplitLines(text));
    const std::string sPrefix = "Usage: " + o.sName + " ";
    if (blocks.empty() || blocks[0][0].rfind(sPrefix, 0) != 0) {
        std::fprintf(stderr, "pictavo-make-manpage: no usage line for the verb %s\n", sVerb.c_str());
        return false;
    }
    blocks[0][0] = "  " + blocks[0][0].substr(sPrefix.size());
    std::string sTerm, sDescription;
    SplitItem(blocks[0], sTerm, sDescription);
    roff += ".TP\n" + Term(sTerm) + "\n" + Escape(sDescription) + "\n";
    roff += Paragraphs(std::vector<Lines>(blocks.begin() + 1, blocks.end()), ".IP\n");
    return true;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// A paragraph "Label: text" outside sections: its label, or empty.
std::string ParagraphLabel(const std::string& line) {
    const size_t colon = line.find(": ");
    if (colon == std::string::npos || colon > 30 || !std::isupper(static_cast<unsigned char>(line[0]))) {
        return {};
    }
    for (size_t i = 0; i < colon; ++i) {
        if (!std::isalpha(static_cast<unsigned char>(line[i])) && line[i] != ' ') {
            return {};
        }
    }
    return line.substr(0, colon);
}

Section& SectionNamed(std::vector<Section>& sections, const std::string& sTitle) {
    for (Section& section : sections) {
        if (section.sTitle == sTitle) {
            return section;
        }
    }
    sections.push_back({sTitle, {}});
    return sections.back();
}

// Adds the sections of a text's blocks from nFirst on: a line "Heading:" opens a section of items, a
// paragraph "Label: text" is a labelled section, any other paragraph goes to DESCRIPTION.
bool AddSections(const Options& o, const std::vector<Lines>& blocks, size_t nFirst,
                 std::vector<Section>& sections) {
    for (size_t b = nFirst; b < blocks.size(); ++b) {
        const Lines& block = blocks[b];
        const std::string& first = block[0];
        if (Indent(first) == 0 && first.size() > 1 && first.back() == ':' &&
            first.find(": ") == std::string::npos) {
            Section& section = SectionNamed(sections, Upper(first.substr(0, first.size() - 1)));
            std::vector<Lines> items;
            for (size_t i = 1; i < block.size(); ++i) {
                if (Indent(block[i]) == 2 || items.empty()) {
                    items.emplace_back();
                }
                items.back().push_back(block[i]);
            }
            for (const Lines& item : items) {
                std::string sTerm, sDescription;
                SplitItem(item, sTerm, sDescription);
                if (o.bVerbs && section.sTitle == "VERBS") {
                    if (!VerbRoff(o, sTerm.substr(0, sTerm.find(' ')), section.sRoff)) {
                        return false;
                    }
                } else {
                    section.sRoff += ".TP\n" + Term(sTerm) + "\n" + Escape(sDescription) + "\n";
                }
            }
            continue;
        }
        std::string sLabel = ParagraphLabel(first);
        Lines body = block;
        std::string sTitle = "DESCRIPTION";
        if (!sLabel.empty()) {
            body[0] = first.substr(sLabel.size() + 2);
            sTitle = sLabel == "Exit codes"            ? "EXIT STATUS"
                     : sLabel.rfind("Options", 0) == 0 ? "OPTIONS"
                                                       : Upper(sLabel);
        }
        SectionNamed(sections, sTitle).sRoff += Paragraphs({body}, ".PP\n");
    }
    return true;
}

bool Write(const Options& o) {
    std::string text;
    if (!Run(o.sProgram, {o.sHelpArg}, text)) {
        std::fprintf(stderr, "pictavo-make-manpage: '%s %s' failed\n", o.sProgram.c_str(),
                     o.sHelpArg.c_str());
        return false;
    }
    std::vector<Lines> blocks = Blocks(SplitLines(text));
    const std::string sPrefix = "Usage: " + o.sName;
    if (blocks.empty() || blocks[0][0].rfind(sPrefix, 0) != 0) {
        std::fprintf(stderr, "pictavo-make-manpage: the help text has no line '%s ...'\n", sPrefix.c_str());
        return false;
    }
    std::string synopsis;
    for (const std::string& line : blocks[0]) {
        const std::string args = line.rfind(sPrefix, 0) == 0 ? Trim(line.substr(sPrefix.size())) : Trim(line);
        synopsis += ".B " + Escape(o.sName) + "\n" + Escape(args) + "\n.br\n";
    }
    std::vector<Section> sections = {{"DESCRIPTION", {}}};
    if (!AddSections(o, blocks, 1, sections)) {
        return false;
    }
    // The sections a help text has no room for, from texts kept beside it in the same layout.
    for (const std::string& sFile : o.sectionFiles) {
        std::ifstream in(sFile, std::ios::binary);
        std::stringstream extra;
        if (!in.is_open() || !(extra << in.rdbuf())) {
            std::fprintf(stderr, "pictavo-make-manpage: cannot read '%s'\n", sFile.c_str());
            return false;
        }
        if (!AddSections(o, Blocks(SplitLines(extra.str())), 0, sections)) {
            return false;
        }
    }

    std::string roff = ".TH " + Upper(Escape(o.sName)) + " 1 \"\" \"Pictavo " + Escape(o.sVersion) +
                       "\" \"User Commands\"\n.SH NAME\n" + Escape(o.sName) + " \\- " + Escape(o.sSummary) +
                       "\n.SH SYNOPSIS\n" + synopsis;
    for (const Section& section : sections) {
        if (!section.sRoff.empty()) {
            roff += ".SH " + Escape(section.sTitle) + "\n" + section.sRoff;
        }
    }
    if (!o.seeAlso.empty()) {
        roff += ".SH \"SEE ALSO\"\n";
        for (size_t i = 0; i < o.seeAlso.size(); ++i) {
            const std::string& page = o.seeAlso[i];
            const size_t paren = page.find('(');
            roff += ".BR " + Escape(page.substr(0, paren)) + " " + Escape(page.substr(paren)) +
                    (i + 1 < o.seeAlso.size() ? "," : "") + "\n";
        }
    }
    std::ofstream out(o.sOut, std::ios::binary | std::ios::trunc);
    out << roff;
    out.close();
    if (!out) {
        std::fprintf(stderr, "pictavo-make-manpage: cannot write '%s'\n", o.sOut.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool bValue = i + 1 < argc;
        if (arg == "--verbs") {
            o.bVerbs = true;
        } else if (arg == "--program" && bValue) {
            o.sProgram = argv[++i];
        } else if (arg == "--name" && bValue) {
            o.sName = argv[++i];
        } else if (arg == "--summary" && bValue) {
            o.sSummary = argv[++i];
        } else if (arg == "--version" && bValue) {
            o.sVersion = argv[++i];
        } else if (arg == "--out" && bValue) {
            o.sOut = argv[++i];
        } else if (arg == "--help-arg" && bValue) {
            o.sHelpArg = argv[++i];
        } else if (arg == "--see-also" && bValue) {
            o.seeAlso.push_back(argv[++i]);
        } else if (arg == "--sections" && bValue) {
            o.sectionFiles.push_back(argv[++i]);
        } else {
            std::fprintf(stderr, "pictavo-make-manpage: unknown argument '%s'\n", arg.c_str());
            return 2;
        }
    }
    if (o.sProgram.empty() || o.sName.empty() || o.sSummary.empty() || o.sOut.empty()) {
        std::fprintf(stderr,
                     "usage: pictavo-make-manpage --program PATH --name NAME --summary TEXT --version TEXT "
                     "--out FILE [--help-arg ARG] [--verbs] [--see-also PAGE]... [--sections FILE]...\n");
        return 2;
    }
    return Write(o) ? 0 : 1;
}
