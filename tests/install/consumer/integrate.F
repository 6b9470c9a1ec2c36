C     Integrates exp over [0, 1] with the generated FORTRAN function GQ,
C     which the build defines as GQ followed by the order, and fails when
C     the result is off e - 1 by more than 1E-15.
      PROGRAM INTEGRATE
      IMPLICIT REAL*8(A-H,O-Z)
      EXTERNAL FEXP
      Q=GQ(FEXP,0.0D0,1.0D0)
      ERR=Q-(EXP(1.0D0)-1.0D0)
      WRITE(*,100) GQ_ORDER,Q,ERR
  100 FORMAT('FORTRAN GQ',I0,' ',ES25.17,' error ',ES9.2)
      IF (ABS(ERR).GT.1.0D-15) STOP 1
      END

      FUNCTION FEXP(X)
      IMPLICIT REAL*8(A-H,O-Z)
      FEXP=EXP(X)
      END
