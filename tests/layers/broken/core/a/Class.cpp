#include <QPushButton>
