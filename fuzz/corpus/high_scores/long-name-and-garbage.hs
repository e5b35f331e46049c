300A name that is much longer than twenty-nine characters on one line
200Next
abc
100Lost
