// nop: does nothing and exits with status 0. The benchmark puts it on PATH as unix2dos, a
// separate tool whose cost is not the converters'; being a small static program rather than a
// shell script, it adds as little as a process can to the converters' shell call.
int main() { return 0; }
