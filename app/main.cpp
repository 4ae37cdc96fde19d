#include "application.h"

int main(int argc, char *argv[])
{
    return quorvale::LanceApplication(argc, argv);
}
