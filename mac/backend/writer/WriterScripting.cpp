#include "mac/backend/writer/WriterScripting.h"
