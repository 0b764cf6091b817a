// Setup API over INF text: sections matched without regard to letter case,
// lines of a key and comma-separated values, quotes stripped, %token%
// replaced from [Strings]. A file without [Version], or with a section line
// that does not close, does not open.
#include "Machine.h"

#include <setupapi.h>

#include <cstring>
#include <sstream>

namespace sim {
namespace {

constexpr DWORD kErrorSectionNotFound = 0xE0000101;
constexpr DWORD kErrorLineNotFound = 0xE0000102;
constexpr DWORD kErrorWrongInfStyle = 0xE0000100;
constexpr DWORD kErrorBadSectionNameLine = 0xE0000001;

struct InfLine {
    std::optional<std::string> key;
    std::vector<std::string> values;
};

struct Inf {
    std::vector<std::pair<std::string, std::vector<InfLine>>> sections;
    int Section(const std::string& name) const {
        for (std::size_t i = 0; i < sections.size(); ++i) {
            if (EqualNoCase(sections[i].first, name)) return static_cast<int>(i);
        }
        return -1;
    }
};

std::map<void*, Inf>& infs() {
    static std::map<void*, Inf> open;
    return open;
}

std::string Trim(const std::string& s) {
    const std::size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Splits at commas and drops the comment, both outside quotes; strips quotes.
std::vector<std::string> Fields(const std::string& text) {
    std::vector<std::string> fields(1);
    bool quoted = false, sawQuote = false;
    std::string raw;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            sawQuote = true;
            continue;
        }
        if (!quoted && c == ';') break;
        if (!quoted && c == ',') {
            fields.back() = sawQuote ? raw : Trim(raw);
            fields.emplace_back();
            raw.clear();
            sawQuote = false;
            continue;
        }
        raw += c;
    }
    fields.back() = sawQuote ? raw : Trim(raw);
    return fields;
}

std::string Substitute(const std::string& text, const Inf& inf) {
    const int strings = inf.Section("Strings");
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t end = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
        if (end == std::string::npos) {
            out += text[i++];
            continue;
        }
        const std::string token = text.substr(i + 1, end - i - 1);
        std::optional<std::string> value;
        if (strings >= 0) {
            for (const InfLine& line : inf.sections[strings].second) {
                if (line.key && EqualNoCase(*line.key, token) && !line.values.empty()) value = line.values[0];
            }
        }
        out += value ? *value : text.substr(i, end - i + 1);  // an undefined token stays literal
        i = end + 1;
    }
    return out;
}

std::optional<Inf> Parse(const std::string& text) {
    Inf inf;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            if (close == std::string::npos) return std::nullopt;
            inf.sections.push_back({line.substr(1, close - 1), {}});
            continue;
        }
        if (inf.sections.empty()) continue;
        InfLine parsed;
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos && line.find('"') > equals) {
            parsed.key = Fields(line.substr(0, equals))[0];
            parsed.values = Fields(line.substr(equals + 1));
        } else {
            parsed.values = Fields(line);
        }
        inf.sections.back().second.push_back(parsed);
    }
    if (inf.Section("Version") < 0) return std::nullopt;
    return inf;
}

const InfLine* LineOf(const INFCONTEXT* context) {
    if (!context || !IsOpen(context->Inf, HandleKind::Inf)) return nullptr;
    const Inf& inf = infs()[context->Inf];
    if (context->Section >= inf.sections.size() || context->Line >= inf.sections[context->Section].second.size()) {
        return nullptr;
    }
    return &inf.sections[context->Section].second[context->Line];
}

}  // namespace
}  // namespace sim

using namespace sim;

HINF WINAPI SetupOpenInfFileA(PCSTR fileName, PCSTR infClass, DWORD infStyle, UINT* errorLine) {
    const std::string path = fileName ? fileName : "";
    if (FaultInjected(__func__, path)) return INVALID_HANDLE_VALUE;
    if (infClass || infStyle != INF_STYLE_WIN4 || errorLine) {
        machine().misuse.push_back("SetupOpenInfFileA: expected no class, INF_STYLE_WIN4, no error line");
    }
    auto file = machine().files.files.find(path);
    if (file == machine().files.files.end()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::optional<Inf> inf = Parse(file->second);
    if (!inf) {
        SetLastError(file->second.find('[') == std::string::npos ? kErrorWrongInfStyle : kErrorBadSectionNameLine);
        return INVALID_HANDLE_VALUE;
    }
    HINF handle = OpenHandle(HandleKind::Inf);
    infs()[handle] = std::move(*inf);
    return handle;
}

void WINAPI SetupCloseInfFile(HINF inf) {
    Enter(__func__);
    infs().erase(inf);
    CloseHandle(inf, HandleKind::Inf);
}

BOOL WINAPI SetupFindFirstLineA(HINF handle, PCSTR section, PCSTR key, PINFCONTEXT context) {
    if (FaultInjected(__func__, section ? section : "")) return FALSE;
    if (!IsOpen(handle, HandleKind::Inf) || !section) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const Inf& inf = infs()[handle];
    const int index = inf.Section(section);
    if (index < 0) {
        SetLastError(kErrorSectionNotFound);
        return FALSE;
    }
    // The section's first line, or its first line of that key.
    const std::vector<InfLine>& lines = inf.sections[index].second;
    for (std::size_t line = 0; line < lines.size(); ++line) {
        if (key && !(lines[line].key && EqualNoCase(*lines[line].key, key))) continue;
        *context = INFCONTEXT{handle, handle, static_cast<UINT>(index), static_cast<UINT>(line)};
        return TRUE;
    }
    SetLastError(kErrorLineNotFound);
    return FALSE;
}

BOOL WINAPI SetupFindNextLine(PINFCONTEXT in, PINFCONTEXT out) {
    if (FaultInjected(__func__)) return FALSE;
    if (!LineOf(in)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    INFCONTEXT next = *in;
    ++next.Line;
    if (!LineOf(&next)) {
        SetLastError(kErrorLineNotFound);
        return FALSE;
    }
    *out = next;
    return TRUE;
}

BOOL WINAPI SetupGetStringFieldA(PINFCONTEXT context, DWORD index, PSTR buffer, DWORD bufferSize,
                                 LPDWORD requiredSize) {
    if (FaultInjected(__func__, std::to_string(index))) return FALSE;
    const InfLine* line = LineOf(context);
    if (!line) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::optional<std::string> field;
    if (index == 0) {
        field = line->key;
    } else if (index <= line->values.size()) {
        field = Substitute(line->values[index - 1], infs()[context->Inf]);
    }
    if (!field) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const DWORD needed = static_cast<DWORD>(field->size() + 1);
    if (requiredSize) *requiredSize = needed;
    if (!buffer || bufferSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, field->c_str(), needed);
    return TRUE;
}

BOOL WINAPI SetupUninstallOEMInfA(PCSTR infFileName, DWORD flags, PVOID reserved) {
    const std::string name = infFileName ? infFileName : "";
    if (FaultInjected(__func__, name)) return FALSE;
    if (flags != SUOI_FORCEDELETE || reserved || name.find('\\') != std::string::npos) {
        machine().misuse.push_back("SetupUninstallOEMInfA: expected a bare file name and SUOI_FORCEDELETE");
    }
    const std::string path = machine().files.windowsDirectory.value_or("") + "\\inf\\" + name;
    if (!machine().files.files.erase(path)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    machine().files.uninstalled.push_back(name);
    return TRUE;
}
