#include "Commands.h"

namespace koralix::cli {

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
        {"model", "model FILE",
         "Reads a model file by its extension (.inp input file, .pcr FullProf, .dwb DBWS, .exp "
         "GSAS experiment, .ins SHELX; any case; anything else: \"Unknown File type. Please check "
         "the file extension.\" and exit 1) and prints the whole model as one JSON object. "
         "Messages go to "
         "stderr. Exit 0 when the model was read completely, 1 otherwise.",
         RunModel},
        {"convert", "convert IN OUT",
         "Reads IN as 'model' does and writes OUT as an input file (.inp). Nothing is written "
         "and the exit code is 1 when IN could not be read completely. A read-only OUT, or one "
         "that is not a regular file, is refused; a symbolic link is followed.",
         RunConvert},
        {"refine",
         "refine IN [--data PATH] [--cycles N] [--engine LIB] [--json] [--pattern FILE] "
         "[--reflections FILE]",
         "Refines IN with the engine library (--engine, else KORALIX_ENGINE, else libkoradll.so "
         "beside koralix-cli). The data name is PATH, else the companion data file of IN, else "
         "IN's base name, without extension. Runs up to N cycles (default: the model's Cycles), "
         "stopping when the engine reports the end, and closes with update, so that BASE.out and "
         "BASE.upd appear next to IN, with the plot file BASE.plt and the reflection file "
         "BASE.hkl when the model's PlotFileType and FourierFileType ask for them (layouts in "
         "the README); a run that fails keeps the earlier ones (a failure in "
         "cycle N leaves cycle N-1's listing). Prints one line per cycle: 'cycle N' and, per "
         "histogram, 'H<h> Rp=<..> Rwp=<..> chi2=<..>'; with --json one final object with "
         "cycles, finished, status, histograms (Rp, Rwp, chi2) and parameters (label, value, "
         "esd). Engine failures print the driver's message on stderr and exit 1; when the data "
         "file could not be opened or read a second line names it. A refined "
         "parameter the pattern does not depend on is held at its value and printed on stderr "
         "as 'Warning: <the engine's note>', once, when the engine finds it; the run goes on "
         "(exit 0). --pattern FILE "
         "writes the final pattern, one point a line: x, observed, calculated, background; "
         "--reflections FILE writes one reflection a line: phase, h, k, l, position (the "
         "histogram's x), d, multiplicity, F^2 (Kalpha1 only). Several histograms follow one "
         "another, separated by a blank line.",
         RunRefine},
        {"plot",
         "plot IN OUT [--data PATH] [--hist N] [--cycles N] [--style window|publication] "
         "[--width-mm W]",
         "Renders the pattern plot to OUT (PNG, SVG or PDF by its extension) without a display, "
         "with the workbench's chart and colours. IN is a data file (its points are drawn) or a "
         "model, which is refined through the engine for N cycles (default 0: the calculated "
         "pattern only) with the data named as for 'refine'; then histogram N (default 1) is drawn "
         "with observed, calculated and difference curves and reflection markers. '--style "
         "publication' draws for a journal instead: observed points, calculated line, one "
         "labelled row of tick marks per phase, the difference below, axis titles with units, W "
         "millimetres wide (default 85, one column; 20 to 500) and 3/4 as high; PDF and SVG are "
         "vector files of that printed size, PNG has 600 dpi. Nothing but OUT is written; a "
         "read-only OUT, or one that is not a regular file, is refused; a symbolic link is "
         "followed.",
         RunPlot},
        {"data", "data FILE [dat|gsas|xy|cpi]",
         "Reads a diffraction data file by its extension (.dat, .gs/.gsas, .xy, .cpi) or by the "
         "format named after it, and prints one JSON object: Kind, PointCount, HistogramNumber, "
         "Title, Start, Step, Finish and the arrays X, Y, W of the points read. Messages go to "
         "stderr. Exit 0 when points were read, 1 otherwise. Without a format name, files of the "
         "instrument makers are read through xylib (Bruker RAW and UXD, PANalytical XRDML, "
         "Philips, Rigaku, Sietronics, CSV and the other formats xylib knows; .txt, .xye, .chi "
         "and .asc as text columns): the first scan, W the esd of a third column or 1, and a "
         "further key Format with xylib's name of the format. FullProf data files that the .dat "
         "reader does not take are read in FullProf's layouts (Format fullprof_ins0, "
         "fullprof_ins6 for the ILL multicounter layout, fullprof_ins10 for XYDATA), W the esd. "
         "'refine', 'plot' and 'seq' take "
         "such files as data too: the scan is first written beside the file as a new GSAS ESD "
         "file (.GS, or .XY for an uneven step; _2, _3, ... added rather than overwrite "
         "anything) and the model's data format follows it.",
         RunData},
        {"sg", "sg SYMBOL|NUMBER [X Y Z]",
         "Prints what the program makes of a space-group symbol (one argument; quote it) or of "
         "a table number 1 to 230, as one JSON object: Symbol (upper case, or the table symbol), "
         "CrystalSystem (0 to 8), CrystalSystemName, UniqueAxis (monoclinic: 1 a, 2 b, 3 c; "
         "else 0), GeneralMultiplicity and, when X Y Z are given, SiteMultiplicity (0 when a "
         "coordinate is not a number). Exit 0 for a valid symbol, 1 for \"Unknown SG\".",
         RunSpaceGroup},
        {"cif", "cif FILE",
         "Reads a phase from the first data block of a CIF file, as the phase editor's Read Phase "
         "from CIF File does, and prints it as JSON in the form of a 'Phases' item of 'model'. "
         "Messages go to stderr. Exit 0 when the block was read completely, 1 otherwise (the "
         "phase as far as it was read is still printed unless the file could not be opened).",
         RunCif},
        {"export", "export shelx|sirpow|cif IN OUT",
         "Reads IN as 'model' does and writes OUT from histogram 1 and phase 1: 'shelx' a SHELX "
         "instruction file (TITL, CELL with the wavelength, LATT, SFAC, UNIT, one line per atom "
         "with X Y Z N B), 'sirpow' a SIRPOW/EXPO job (%window ... %continue with title, "
         "wavelength, cell and space group). OUT is overwritten. Exit 1 when IN could not be "
         "read completely or OUT not written. 'cif' (options [--data PATH] [--cycles N]) writes "
         "a CIF file: one data block per phase (cell, space group with H-M and Hall symbols and "
         "operators, atom sites, Biso or anisotropic B) and a powder block (radiation, "
         "agreement factors, _pd_meas/_pd_calc pattern). When the model's data are found "
         "(PATH, the companion data file, or the file a GSAS experiment names) N cycles "
         "(default 1) are run at the model's values for the esds, factors and pattern; the "
         "model's own files are left alone.",
         RunExport},
        {"macro", "macro FILE [--library FILE]",
         "Translates and runs the KoraBasic macro FILE (execution limit 100000 per instruction, "
         "arrays up to 10000 elements); --library puts the lines of a library file in front. "
         "WRITE(x) prints x as one line on stdout (reals in the general number format, dates "
         "as yyyy-mm-dd). MESSAGEBOX texts and MESSAGEDLG questions go to stderr (questions are "
         "answered No); INPUTBOX reads one line of stdin. Translation and run-time messages go "
         "to stderr. Exit 0 when the macro ran to its end, 1 on any error. The whole macro "
         "library is there (OPENRIETVELD, STARTRIETVELD, STEPRIETVELD, GETFIT, ENDRIETVELD, "
         "UPDATE, SAVERIETVELD, REFINEFILE, the file functions, EXECUTE, ...); paths are "
         "relative to the current folder; file dialogs answer as if cancelled, PLOT and "
         "PLOTRIETVELD draw nothing.",
         RunMacro},
        {"fourier", "fourier IN [--data PATH] [--cycles N] [--hist H] [--phase P] [--type 0..5] "
                    "[--out FILE]",
         "Refines IN as 'refine' does for N cycles (default 0), then computes the map of phase P "
         "(default 1) from histogram H (default 1): type 0 Fourier obs (default), 1 Fourier calc, "
         "2 Fourier diff, 3 Patterson obs, 4 Patterson calc, 5 Patterson diff, on a 64x64x64 grid "
         "of the cell. Prints one JSON object: Min, Max and Peaks, the 20 highest local maxima "
         "(highest first) as X, Y, Z (fractions of the cell) and Height. --out writes the map as "
         "64^3 little-endian float32 values, z slowest, then y, x fastest. Exit 1 on failure.",
         RunFourier},
        {"rdf", "rdf IN [--data PATH] [--cycles N] [--phase P] [--function 1..5]",
         "Refines IN as 'refine' does for N cycles (default 0), then prints the radial "
         "distribution function of phase P (default 1) as one JSON object: Function, R (0, 0.01, "
         "... 9.99) and Values. Functions: 1 PDF(R) = g(R), 2 G(R), 3 D(R), 4 T(R), 5 N(R) (the "
         "README gives their definitions). Exit 1 on failure.",
         RunRdf},
        {"seq",
         "seq MODEL DATA... [--chain] [--jobs N] [--cycles N] --table OUT.csv [--plot OUT.png "
         "[--param LABEL]...]",
         "Refines MODEL against each data file (read in the model's data format whatever its "
         "extension), each from MODEL's values, N processes at a time (--jobs, default 1), or "
         "each from the previous result (--chain, for temperature series). Each run leaves "
         "DATA.out and DATA.upd beside its data file. OUT.csv has one row per data file: index, "
         "file, status, message, cycles, Rwp, chi2 and a value and esd column per refined "
         "parameter; a failed file gets its status and message in its row and the others go "
         "on. --plot draws the chosen parameters (default all) against the file index. 'seq "
         "--collect RESULT.json... --table OUT.csv' builds the same table from the outputs of "
         "separate 'refine --json' runs. Exit 1 when any file failed.",
         RunSeq},
    };
    return commands;
}

} // namespace koralix::cli
