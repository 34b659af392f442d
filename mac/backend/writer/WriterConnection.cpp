#include "mac/backend/writer/WriterConnection.h"

namespace plumeo {

std::shared_ptr<WriterConnection> connectToOffice(const std::string&, const std::string&,
                                                  std::string& error) {
    error = "not implemented";
    return nullptr;
}

} // namespace plumeo
