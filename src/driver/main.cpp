#include "driver/run.h"

int main(int argc, char** argv) {
    return run(argc, argv);
}
