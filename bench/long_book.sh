#!/usr/bin/env bash
# Writes the benches' long book to standard output: 4000 short Catalan sentences,
# seven to a line, with Windows line ends.
for i in $(seq 1 4000); do
  printf 'Frase %d del llibre llarg, que parla de la mar i de les muntanyes amb veu clara. ' "$i"
  ((i % 7)) || printf '\r\n'
done
