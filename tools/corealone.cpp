// Linked with the whole core library and nothing of Widgets: if any core
// code needs a widget, this program does not link and the build fails.
int main()
{
    return 0;
}
