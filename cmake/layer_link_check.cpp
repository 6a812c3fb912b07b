// Links one layer of the program whole, with only the layers below it: the
// build fails here when the layer calls into a higher one.
int main() { return 0; }
