// Writes "Template.icl", the resource-only module every exported icon library starts from.
#include <cstdio>

#include "common/ZsBase.h"
#include "icon/ZsPe.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pictavo-make-template OUT.icl\n");
        return 2;
    }
    if (!ZsWriteFile(ZsPathFromUtf8(argv[1]), ZsMakeTemplateModule())) {
        std::fprintf(stderr, "pictavo-make-template: cannot write '%s'.\n", argv[1]);
        return 1;
    }
    return 0;
}
