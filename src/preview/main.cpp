#include "preview/preview.h"

int main(int argc, char** argv) {
    return preview::run(argc, argv);
}
