// quorvel-large-base FILE: writes the knowledge base at the format's limits
// (the one the file benchmarks load) to FILE, to open it in the workbench.
#include <cstdio>

#include "ExSystem.h"
#include "LargeBase.h"

namespace {

class TPrintingSink : public quorvel::IMessageSink {
public:
    quorvel::TMsgResult ShowMessage(quorvel::TMsgKind, quorvel::TMsgButtons, const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return quorvel::TMsgResult::Ok;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "uso: %s ARQUIVO.bcm\n", argv[0]);
        return 64;
    }
    TPrintingSink sink;
    quorvel::TExpertSystem sys(&sink);
    quorvel::BuildLargeBase(sys);
    if (!sys.Save(argv[1])) {
        std::fprintf(stderr, "%s\n", sys.LastSaveError().c_str());
        return 7;
    }
    return 0;
}
