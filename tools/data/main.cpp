#include "data_tool.h"

int main(int argc, char** argv) {
    return tarvox::data::RunDataTool(argc, argv);
}
