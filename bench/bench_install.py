"""A private installation of rtrun and a script of N trivial tests, shared by
the whole-process benchmarks."""
import os
import shutil


def install(root, rtrun, libraries):
    for sub in ('bin', 'lib', 'suite/Config', 'suite/Scripts', 'suite/Results'):
        os.makedirs(os.path.join(root, sub), exist_ok=True)
    shutil.copy2(rtrun, os.path.join(root, 'bin', 'rtrun'))
    for library in libraries:
        shutil.copy2(library, os.path.join(root, 'lib', os.path.basename(library)))


def write_script(root, tests):
    path = os.path.join(root, 'suite', 'Config', 'bench%d.rt' % tests)
    with open(path, 'w') as script:
        script.write('<Group><Name>Bench</Name>\n')
        script.write('<Test><Title>Trivial</Title></Test>\n' * tests)
        script.write('</Group>\n')
    return os.path.basename(path)
