#include "cli/CliContext.h"

int main(int argc, char** argv) {
    return ornyx::cli::RunOrnyxctl(argc, argv);
}
