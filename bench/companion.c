/* Stand-in for the driver's companion tool: does nothing, successfully. */
int main(void) { return 0; }
