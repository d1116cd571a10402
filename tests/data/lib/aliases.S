/* A hand-built export table, because the linker will not give one
 * address-table slot several names: slot 2 (ordinal 2) is named Alpha, Beta
 * and Gamma. The name table must stay sorted for lookups by name, and an
 * alias list that takes the last name of a slot shows Gamma. */

#ifdef __i386__
#define SYM(name) _##name
#else
#define SYM(name) name
#endif

    .section .edata,"dr"
    .p2align 2
export_directory:
    .long 0                         /* Characteristics */
    .long 0                         /* TimeDateStamp */
    .short 0, 0                     /* MajorVersion, MinorVersion */
    .rva dll_name
    .long 1                         /* Base */
    .long 3                         /* NumberOfFunctions */
    .long 5                         /* NumberOfNames */
    .rva address_table, name_table, ordinal_table

address_table:
    .rva SYM(return_1), SYM(return_2), SYM(return_3)
name_table:
    .rva name_alpha, name_beta, name_first, name_gamma, name_last
ordinal_table:                      /* indexes into address_table */
    .short 1, 1, 0, 1, 2

dll_name:   .asciz "aliases.dll"
name_alpha: .asciz "Alpha"
name_beta:  .asciz "Beta"
name_first: .asciz "First"
name_gamma: .asciz "Gamma"
name_last:  .asciz "Last"
