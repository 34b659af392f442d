#pragma once

#include "platform/backend/PlatformBackend.h"
#include "platform/script/ScriptRunner.h"

#include <memory>
#include <string>
#include <vector>

namespace plumeo::selftest {

/// The self-test's hands on Word: one call per fixture handler. Calls throw ScriptError.
/// Dialogs run on a runner of their own so that one waiting for its time-out never holds up
/// the other fixtures.
class WordFixtureDriver {
public:
    explicit WordFixtureDriver(std::shared_ptr<PlatformBackend> backend);

    std::string newDocument();
    void closeDocument(const std::string& name);
    std::vector<std::string> listDocuments();
    void activateDocument(const std::string& name);
    void activateWord();
    void setCursor(const std::string& name, int position);
    void protectDocument(const std::string& name);
    void unprotectDocument(const std::string& name);
    void setRevisions(const std::string& name, bool on);
    int revisionCount(const std::string& name);
    std::string showDialog(int waitSeconds);
    std::vector<std::string> unsavedDocuments();
    void quitWord();

private:
    ScriptDescriptor call(const std::string& handler, const std::vector<std::string>& strings,
                          const std::vector<std::int64_t>& ints = {});

    ScriptRunner runner_;
    ScriptRunner dialogRunner_;
};

} // namespace plumeo::selftest
