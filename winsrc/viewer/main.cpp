#include "MainModul.h"

int main(int argc, char** argv)
{
    return MainModul::Main(argc, argv);
}
