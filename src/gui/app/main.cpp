#include "gui/app/PunchwellApplication.h"

int main(int argc, char** argv) {
    return PunchwellApplication::Run(argc, argv);
}
