ostrel-signature 1
key x
