500Brindle
450Cove
400Pebble
350Moss
300Fern
250Reed
200Heron
150Otter
100Wren
50Newt
