#include "platform/backend/writer/WriterProfile.h"

#include <fstream>
#include <sstream>
#include <system_error>

namespace plumeo {

namespace {

struct Setting {
    const char* path;
    const char* name;
    const char* value;
};

// What every profile gets: nothing may open a window or a bar of its own at start, since a
// dialog in front of the document stops a session before it starts.
constexpr Setting quietStart[] = {
    {"/org.openoffice.Setup/Office", "ooSetupInstCompleted", "true"},
    {"/org.openoffice.Setup/Product", "ooSetupLastVersion", "99.9"},
    {"/org.openoffice.Setup/Product", "LastTimeDonateShown", "9999999999"},
    {"/org.openoffice.Setup/Product", "LastTimeGetInvolvedShown", "9999999999"},
    {"/org.openoffice.Office.Common/Misc", "FirstRun", "false"},
    {"/org.openoffice.Office.Common/Misc", "ShowTipOfTheDay", "false"},
    {"/org.openoffice.Office.Common/Misc", "CrashReport", "false"},
    {"/org.openoffice.Office.Common/Misc", "UseSystemFileDialog", "false"},
    {"/org.openoffice.Office.Jobs/Jobs/org.openoffice.Office.Jobs:Job['UpdateCheck']/Arguments",
     "AutoCheckEnabled", "false"},
    {"/org.openoffice.Office.Recovery/AutoSave", "Enabled", "false"},
};

// Every switch that changes typed text in Writer: the shared AutoCorrect flags, Writer's
// "while typing" master switch and its list rule.
constexpr Setting autoCorrectOff[] = {
    {"/org.openoffice.Office.Common/AutoCorrect", "UseReplacementTable", "false"},
    {"/org.openoffice.Office.Common/AutoCorrect", "TwoCapitalsAtStart", "false"},
    {"/org.openoffice.Office.Common/AutoCorrect", "CapitalAtStartSentence", "false"},
    {"/org.openoffice.Office.Common/AutoCorrect", "ChangeUnderlineWeight", "false"},
    {"/org.openoffice.Office.Common/AutoCorrect", "SetInetAttribute", "false"},
    {"/org.openoffice.Office.Common/AutoCorrect", "ChangeOrdinalNumber", "false"},
    {"/org.openoffice.Office.Common/AutoCorrect", "ChangeDash", "false"},
    {"/org.openoffice.Office.Common/AutoCorrect", "AddNonBreakingSpace", "false"},
    {"/org.openoffice.Office.Common/AutoCorrect", "ChangeAngleQuotes", "false"},
    {"/org.openoffice.Office.Common/AutoCorrect", "CorrectAccidentalCapsLock", "false"},
    {"/org.openoffice.Office.Common/AutoCorrect", "ReplaceSingleQuote", "false"},
    {"/org.openoffice.Office.Common/AutoCorrect", "ReplaceDoubleQuote", "false"},
    {"/org.openoffice.Office.Writer/AutoFunction/Format/ByInput", "Enable", "false"},
    {"/org.openoffice.Office.Writer/AutoFunction/Format/ByInput", "ChangeDash", "false"},
    {"/org.openoffice.Office.Writer/AutoFunction/Format/ByInput", "ChangeToTable", "false"},
    {"/org.openoffice.Office.Writer/AutoFunction/Format/ByInput", "DelSpacesAtStartEnd", "false"},
    {"/org.openoffice.Office.Writer/AutoFunction/Format/ByInput", "DelSpacesBetween", "false"},
    {"/org.openoffice.Office.Writer/AutoFunction/Format/ByInput/ApplyNumbering", "Enable", "false"},
};

void item(std::ostringstream& out, const Setting& setting) {
    out << "<item oor:path=\"" << setting.path << "\"><prop oor:name=\"" << setting.name
        << "\" oor:op=\"fuse\"><value>" << setting.value << "</value></prop></item>\n";
}

} // namespace

std::string registryModifications(const WriterProfileOptions& options) {
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    for (const auto& setting : quietStart) {
        item(out, setting);
    }
    if (options.autoCorrect == AutoCorrectPreset::allOff) {
        for (const auto& setting : autoCorrectOff) {
            item(out, setting);
        }
    }
    item(out, {"/org.openoffice.Office.Writer/AutoFunction/Completion", "Enable",
               options.wordCompletion ? "true" : "false"});
    out << "</oor:items>\n";
    return out.str();
}

std::optional<std::string> writeWriterProfile(const std::filesystem::path& directory,
                                              const WriterProfileOptions& options) {
    std::error_code error;
    const auto userDirectory = directory / "user";
    std::filesystem::create_directories(userDirectory, error);
    if (error) {
        return "无法创建 LibreOffice 配置目录 " + userDirectory.string() + "：" + error.message();
    }
    std::ofstream file(userDirectory / "registrymodifications.xcu", std::ios::trunc);
    file << registryModifications(options);
    file.close();
    if (!file) {
        return "无法写入 LibreOffice 配置文件 " +
               (userDirectory / "registrymodifications.xcu").string();
    }
    return std::nullopt;
}

} // namespace plumeo
