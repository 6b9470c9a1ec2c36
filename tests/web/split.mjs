#!/usr/bin/env node
// The page's cut of the program's output (splitOutput in web/texts.js) as a
// command, for tests/generated/split_examples.cmake to hold to the one
// definition, cmake/zemta_split_output.cmake:
//
//   split.mjs <output> <C file> <FORTRAN file> <raw file>
//
// writes the three parts of the output file, the raw arrays as the program
// writes them (without the typedef the definition's raw file leads with).
import { readFileSync, writeFileSync } from "node:fs";
import { orderOf, splitOutput } from "../../web/texts.js";

const [output, ...files] = process.argv.slice(2);
if (!output || files.length !== 3) {
  console.error("usage: split.mjs <output> <C file> <FORTRAN file> <raw file>");
  process.exit(2);
}
const text = readFileSync(output, "latin1");
const parts = splitOutput(text, orderOf(text));
if (!parts) {
  console.error(`split.mjs: ${output} does not have the program's parts`);
  process.exit(1);
}
[parts.c, parts.fortran, parts.raw].forEach((part, i) => writeFileSync(files[i], part, "latin1"));
