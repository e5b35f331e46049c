100Cut short
90