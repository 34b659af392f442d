#include "mac/backend/writer/WriterDocuments.h"
